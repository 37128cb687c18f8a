#include "input/mpeg/vbr_header.h"

#include <exception>
#include <string_view>

#include "core/byte_cursor.h"
#include "core/exceptions.h"

namespace lumo::mpeg {

namespace {

// A VBRI header whose values cannot be right: caught here, the header is then ignored.
struct VBRIParseError : std::exception {};

// The encoder identification as "tool": printable ASCII up to the first zero with only
// zeros after it; trailing padding characters removed.
std::string clean_tool_name(std::span<const uint8_t> id) {
  size_t end = 0;
  while (end < id.size() && id[end] != 0) {
    if (id[end] < 32 || id[end] > 127) return {};
    ++end;
  }
  for (size_t i = end; i < id.size(); ++i)
    if (id[i] != 0) return {};
  std::string name(reinterpret_cast<const char*>(id.data()), end);
  while (!name.empty() && std::string_view("\t ._").find(name.back()) != std::string_view::npos)
    name.pop_back();
  return name;
}

std::string quality_profile(uint32_t quality) {
  return "VBR V" + std::to_string(10 - (quality + 9) / 10);
}

}  // namespace

uint32_t xing_offset(const frame_header& h) {
  if (h.is_mpeg1()) return h.channels == 1 ? 21 : 36;
  return h.channels == 1 ? 13 : 21;
}

std::optional<vbr_header> parse_xing_header(const frame_header& h, std::span<const uint8_t> frame) {
  const uint32_t offset = xing_offset(h);
  if (frame.size() < offset + 8) return std::nullopt;
  try {
    byte_cursor c(frame, "Xing header");
    c.seek(offset);
    vbr_header out;
    if (c.peek_equals("Xing")) {
      out.type = vbr_header::kind::xing;
    } else if (c.peek_equals("Info")) {
      out.type = vbr_header::kind::info;
    } else {
      return std::nullopt;
    }
    c.skip(4);
    const uint32_t flags = c.u32be();
    if (!(flags & 1)) return std::nullopt;
    out.frame_count = c.u32be();
    if (out.frame_count <= 1) return std::nullopt;
    if (flags & 2) out.byte_count = c.u32be();
    if (flags & 4) c.skip(100);
    if (flags & 8) out.quality = c.u32be();

    const bool is_xing = out.type == vbr_header::kind::xing;
    std::optional<uint32_t> revision;
    uint32_t vbr_method = 0;
    if (c.has(10)) {
      const auto id = c.bytes(9);
      const uint8_t revision_method = c.u8();
      revision = revision_method >> 4;
      if (*revision <= 1) {
        out.tool = clean_tool_name(id);
        vbr_method = revision_method & 0x0F;
        if (c.has(1)) out.lowpass = c.u8();
        if (c.has(13)) {
          c.skip(10);
          const uint32_t b21 = c.u8(), b22 = c.u8(), b23 = c.u8();
          out.encoder_delay_samples = b21 << 4 | b22 >> 4;
          out.encoder_padding_samples = (b22 & 0x0F) << 8 | b23;
        }
      }
    }
    if (revision && *revision > 1) {
      out.codec_profile = is_xing ? "VBR" : "CBR";
    } else if (!is_xing) {
      out.codec_profile = "CBR";
    } else if (vbr_method == 2 || vbr_method == 9) {
      out.codec_profile = "ABR";
    } else if (out.quality && *out.quality >= 1 && *out.quality <= 100) {
      out.codec_profile = quality_profile(*out.quality);
    } else {
      out.codec_profile = "VBR";
    }
    return out;
  } catch (const sonatrix_io::exception_io_data&) {
    // A header cut short by the frame's end carries nothing we can trust.
    return std::nullopt;
  }
}

std::optional<vbr_header> parse_vbri_header(std::span<const uint8_t> frame) {
  constexpr size_t offset = 36;
  if (frame.size() < offset + 4) return std::nullopt;
  try {
    byte_cursor c(frame, "VBRI header");
    c.seek(offset);
    if (!c.peek_equals("VBRI")) return std::nullopt;
    c.skip(4);
    const uint16_t version = c.u16be();
    c.skip(2);  // delay
    const uint16_t quality = c.u16be();
    const uint32_t byte_count = c.u32be();
    const uint32_t frame_count = c.u32be();
    const uint16_t entries = c.u16be();
    const uint16_t scale = c.u16be();
    const uint16_t entry_bytes = c.u16be();
    const uint16_t frames_per_entry = c.u16be();
    if (version != 1 || frame_count == 0 || byte_count == 0 || scale == 0 || entry_bytes == 0 ||
        entry_bytes > 4 || (entries && frames_per_entry == 0) ||
        static_cast<size_t>(entries) * entry_bytes > c.remaining())
      throw VBRIParseError();
    vbr_header out;
    out.type = vbr_header::kind::vbri;
    out.frame_count = frame_count;
    out.byte_count = byte_count;
    out.quality = quality;
    out.codec_profile = "VBR";
    return out;
  } catch (const VBRIParseError&) {
    return std::nullopt;
  } catch (const sonatrix_io::exception_io_data&) {
    return std::nullopt;
  }
}

}  // namespace lumo::mpeg
