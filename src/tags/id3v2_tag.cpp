#include "tags/id3v2_tag.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "core/byte_cursor.h"
#include "core/exceptions.h"

namespace lumo::id3 {

namespace {

using id3parser::parseError;

// Version 2.2 identifiers with a four-letter form.
constexpr std::array<std::pair<std::string_view, std::string_view>, 33> g_v22_ids = {{
    {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"}, {"TP1", "TPE1"}, {"TP2", "TPE2"},
    {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TCM", "TCOM"}, {"TXT", "TEXT"}, {"TLA", "TLAN"},
    {"TCO", "TCON"}, {"TAL", "TALB"}, {"TRK", "TRCK"}, {"TRC", "TSRC"}, {"TYE", "TYER"},
    {"TBP", "TBPM"}, {"TCR", "TCOP"}, {"TPB", "TPUB"}, {"TEN", "TENC"}, {"TSS", "TSSE"},
    {"TOA", "TOPE"}, {"TXX", "TXXX"}, {"TPA", "TPOS"}, {"WAF", "WOAF"}, {"WAR", "WOAR"},
    {"WAS", "WOAS"}, {"WCP", "WCOP"}, {"WCM", "WCOM"}, {"WPB", "WPUB"}, {"WXX", "WXXX"},
    {"COM", "COMM"}, {"PIC", "APIC"}, {"TCP", "TCMP"},
}};

std::string translate_v22_id(std::string_view id) {
  for (const auto& [old_id, new_id] : g_v22_ids)
    if (old_id == id) return std::string(new_id);
  return std::string(id);
}

// PIC carries a three-letter image format where APIC has a MIME type.
std::vector<uint8_t> pic_to_apic(std::span<const uint8_t> pic, uint64_t offset) {
  if (pic.size() < 5)
    throw parseError("PIC frame without its image format at byte " + std::to_string(offset));
  std::string_view format(reinterpret_cast<const char*>(pic.data() + 1), 3);
  std::string_view mime = "image/x-unknown";
  if (format == "PNG")
    mime = "image/png";
  else if (format == "JPG")
    mime = "image/jpeg";
  else if (format == "GIF")
    mime = "image/gif";
  std::vector<uint8_t> apic;
  apic.reserve(pic.size() + mime.size());
  apic.push_back(pic[0]);
  apic.insert(apic.end(), mime.begin(), mime.end());
  apic.push_back(0);
  apic.insert(apic.end(), pic.begin() + 4, pic.end());
  return apic;
}

bool is_frame_id_char(uint8_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

void put_synchsafe(std::string& out, uint64_t value) {
  for (int shift = 21; shift >= 0; shift -= 7)
    out.push_back(static_cast<char>((value >> shift) & 0x7F));
}

class frame_reader {
 public:
  explicit frame_reader(const id3v2_header& header) : header_(header) {}

  void read_frames(byte_cursor& body, id3v2_tag& tag) {
    const size_t frame_header = header_.major_version == 2 ? 6 : 10;
    while (body.remaining() >= frame_header) {
      auto peek = body.peek(header_.major_version == 2 ? 3 : 4);
      // Padding, or bytes some writer left after its frames: the frames end here.
      bool valid_id = true;
      for (uint8_t c : peek) valid_id = valid_id && is_frame_id_char(c);
      if (!valid_id) break;
      const uint64_t frame_offset = body.file_offset();
      std::string id(body.fixed_string(peek.size()));
      uint32_t size = 0;
      uint16_t flags = 0;
      if (header_.major_version == 2) {
        size = body.u24be();
      } else if (header_.major_version == 3) {
        size = body.u32be();
        flags = body.u16be();
      } else {
        if (!is_synchsafe(body.peek(4))) fail("frame size with a high bit set", frame_offset);
        size = body.synchsafe32();
        flags = body.u16be();
      }
      if (size > body.remaining()) fail("frame " + id + " runs past the tag", frame_offset);
      auto payload = body.bytes(size);
      if (size == 0) continue;
      add_frame(tag, std::move(id), flags, payload, frame_offset);
    }
  }

 private:
  static bool is_synchsafe(std::span<const uint8_t> b) {
    for (uint8_t x : b)
      if (x & 0x80) return false;
    return true;
  }

  [[noreturn]] void fail(const std::string& problem, uint64_t offset) const {
    throw parseError(problem + " at byte " + std::to_string(offset));
  }

  void add_frame(id3v2_tag& tag, std::string id, uint16_t flags, std::span<const uint8_t> payload,
                 uint64_t offset) {
    id3v2_frame frame;
    if (header_.major_version == 2) {
      frame.id = translate_v22_id(id);
      if (id == "PIC")
        frame.payload = pic_to_apic(payload, offset);
      else
        frame.payload.assign(payload.begin(), payload.end());
      tag.frames.push_back(std::move(frame));
      return;
    }
    frame.id = std::move(id);
    if (header_.major_version == 3) {
      // Compressed (0x80) or encrypted (0x40) frames are dropped: we neither read nor
      // could carry them over faithfully. Grouping (0x20) adds one byte before the data.
      if (flags & 0x00C0) return;
      if (flags & 0x0020) {
        if (payload.empty()) fail("grouped frame without its group byte", offset);
        payload = payload.subspan(1);
      }
      frame.flags = static_cast<uint16_t>(flags & 0xFF00);
      frame.payload.assign(payload.begin(), payload.end());
    } else {
      if (flags & 0x000C) return;  // compressed or encrypted
      if (flags & 0x0040) {
        if (payload.empty()) fail("grouped frame without its group byte", offset);
        payload = payload.subspan(1);
      }
      if (flags & 0x0001) {
        if (payload.size() < 4) fail("frame too short for its data length indicator", offset);
        payload = payload.subspan(4);
      }
      // The header flag means every frame is unsynchronised; our own writer sets it and
      // unsynchronises only frames that need it, which decode the same either way.
      if ((flags & 0x0002) || (header_.flags & 0x80))
        frame.payload = remove_unsynchronisation(payload);
      else
        frame.payload.assign(payload.begin(), payload.end());
      frame.flags = static_cast<uint16_t>(flags & 0xFF00);
    }
    tag.frames.push_back(std::move(frame));
  }

  const id3v2_header& header_;
};

}  // namespace

std::optional<id3v2_header> parse_id3v2_header(std::span<const uint8_t> bytes) {
  if (bytes.size() < id3v2_header_bytes || bytes[0] != 'I' || bytes[1] != 'D' || bytes[2] != '3')
    return std::nullopt;
  id3v2_header h;
  h.major_version = bytes[3];
  h.revision = bytes[4];
  h.flags = bytes[5];
  uint8_t allowed = 0;
  switch (h.major_version) {
    case 2: allowed = 0x80; break;
    case 3: allowed = 0xE0; break;
    case 4: allowed = 0xF0; break;
    default: throw parseError("version 2." + std::to_string(h.major_version) + " at byte 3");
  }
  if (h.flags & ~allowed)
    throw parseError("header flags " + std::to_string(h.flags) + " at byte 5");
  uint32_t size = 0;
  for (size_t i = 6; i < 10; ++i) {
    if (bytes[i] & 0x80) throw parseError("tag size with a high bit set at byte 6");
    size = (size << 7) | bytes[i];
  }
  h.body_bytes = size;
  return h;
}

id3v2_tag parse_id3v2_tag(std::span<const uint8_t> bytes, uint64_t base_offset) {
  auto header = parse_id3v2_header(bytes);
  if (!header) throw parseError("no ID3v2 header at byte " + std::to_string(base_offset));
  if (bytes.size() - id3v2_header_bytes < header->body_bytes)
    throw parseError("tag of " + std::to_string(header->total_bytes()) +
                     " bytes runs past its end");
  id3v2_tag tag;
  tag.major_version = header->major_version;
  auto body_bytes = bytes.subspan(id3v2_header_bytes, header->body_bytes);
  std::vector<uint8_t> decoded;
  if (header->major_version <= 3 && (header->flags & 0x80)) {
    decoded = remove_unsynchronisation(body_bytes);
    body_bytes = decoded;
  }
  try {
    byte_cursor body(body_bytes, "ID3v2 tag", base_offset + id3v2_header_bytes);
    if (header->major_version >= 3 && (header->flags & 0x40)) {
      const uint64_t at = body.file_offset();
      uint32_t size = header->major_version == 3 ? body.u32be() : body.synchsafe32();
      if (size < 6)
        throw parseError("extended header of " + std::to_string(size) + " bytes at byte " +
                         std::to_string(at));
      // 2.3 counts the size after its own four bytes, 2.4 counts them too.
      uint64_t rest = header->major_version == 3 ? size : size - 4;
      if (rest > body.remaining())
        throw parseError("extended header runs past the tag at byte " + std::to_string(at));
      body.skip(static_cast<size_t>(rest));
    }
    frame_reader(*header).read_frames(body, tag);
  } catch (const sonatrix_io::exception_io_data& e) {
    throw parseError(e.what());
  }
  return tag;
}

std::vector<uint8_t> remove_unsynchronisation(std::span<const uint8_t> bytes) {
  std::vector<uint8_t> out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    out.push_back(bytes[i]);
    if (bytes[i] == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == 0x00) ++i;
  }
  return out;
}

bool needs_unsynchronisation(std::span<const uint8_t> bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != 0xFF) continue;
    if (i + 1 == bytes.size() || bytes[i + 1] == 0x00 || bytes[i + 1] >= 0xE0) return true;
  }
  return false;
}

std::string apply_unsynchronisation(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 16 + 1);
  for (size_t i = 0; i < bytes.size(); ++i) {
    out.push_back(static_cast<char>(bytes[i]));
    if (bytes[i] == 0xFF && (i + 1 == bytes.size() || bytes[i + 1] == 0x00 || bytes[i + 1] >= 0xE0))
      out.push_back('\0');
  }
  return out;
}

rendered_id3v2 render_id3v2_tag(const id3v2_tag& tag, uint64_t old_tag_bytes,
                                uint32_t padding_wish) {
  if (tag.major_version != 3 && tag.major_version != 4) throw id3parser::writeError();
  auto overflow = [] { throw kel::exception_overflow("overflow"); };
  std::string out(id3v2_header_bytes, '\0');
  for (const auto& frame : tag.frames) {
    if (frame.id.size() != 4) continue;
    out += frame.id;
    if (frame.payload.size() >= id3v2_max_tag_bytes) overflow();
    if (tag.major_version == 3) {
      put_be(out, frame.payload.size(), 4);
      out += std::string_view("\0\0", 2);
      out.append(reinterpret_cast<const char*>(frame.payload.data()), frame.payload.size());
    } else if (needs_unsynchronisation(frame.payload)) {
      std::string data = apply_unsynchronisation(frame.payload);
      if (data.size() + 4 >= id3v2_max_tag_bytes) overflow();
      put_synchsafe(out, data.size() + 4);
      out += std::string_view("\0\x03", 2);
      put_synchsafe(out, frame.payload.size());
      out += data;
    } else {
      put_synchsafe(out, frame.payload.size());
      out += std::string_view("\0\0", 2);
      out.append(reinterpret_cast<const char*>(frame.payload.data()), frame.payload.size());
    }
    if (out.size() >= id3v2_max_tag_bytes) overflow();
  }
  rendered_id3v2 result;
  uint64_t padding = 0;
  if (old_tag_bytes > 0 && out.size() <= old_tag_bytes &&
      old_tag_bytes - out.size() <= padding_wish) {
    padding = old_tag_bytes - out.size();
    result.is_in_place = true;
  } else {
    padding = std::min<uint64_t>(padding_wish, id3v2_rewrite_padding_bytes);
  }
  if (out.size() + padding >= id3v2_max_tag_bytes) overflow();
  out.resize(out.size() + padding, '\0');
  out[0] = 'I';
  out[1] = 'D';
  out[2] = '3';
  out[3] = static_cast<char>(tag.major_version);
  out[4] = 0;
  out[5] = static_cast<char>(tag.major_version == 4 ? 0x80 : 0x00);
  std::string size;
  put_synchsafe(size, out.size() - id3v2_header_bytes);
  out.replace(6, 4, size);
  result.bytes = std::move(out);
  return result;
}

}  // namespace lumo::id3
