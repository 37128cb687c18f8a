#pragma once
// The ID3v2 tag object: the major version (2, 3 or 4) and its frames in file order, each
// with its identifier, flags and payload. Parsing undoes whole-tag and per-frame
// unsynchronisation, drops data-length indicators and grouping bytes, and turns version
// 2.2 frames into their four-letter forms (PIC into APIC), so the rest of the program sees
// one shape of frame whatever the version was. Rendering is the reverse for 2.3 and 2.4.

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumo::id3parser {

// A malformed tag; what() is "ID3v2 parse error", detail() says where and why.
class parseError : public std::runtime_error {
 public:
  explicit parseError(std::string detail)
      : std::runtime_error("ID3v2 parse error"), detail_(std::move(detail)) {}
  const std::string& detail() const { return detail_; }

 private:
  std::string detail_;
};

// A tag that cannot be written (a version other than 3 or 4, an unknown text encoding).
class writeError : public std::runtime_error {
 public:
  writeError() : std::runtime_error("ID3v2 write error") {}
};

}  // namespace lumo::id3parser

namespace lumo::id3 {

inline constexpr size_t id3v2_header_bytes = 10;
// Sizes in the header are 28-bit synch-safe numbers: a whole tag stays below this.
inline constexpr uint64_t id3v2_max_tag_bytes = uint64_t{1} << 28;
// Padding the writer leaves for later edits when it has to rewrite the file anyway.
inline constexpr uint32_t id3v2_rewrite_padding_bytes = 2048;
// The padding wish of a caller that allows padding.
inline constexpr uint32_t id3v2_padding_wish_bytes = 16384;

struct id3v2_header {
  uint8_t major_version = 0;
  uint8_t revision = 0;
  uint8_t flags = 0;
  uint32_t body_bytes = 0;  // after the header, without a footer
  // Header, body and the 2.4 footer.
  uint64_t total_bytes() const {
    return id3v2_header_bytes + body_bytes + ((flags & 0x10) ? 10 : 0);
  }
};

// The header at the front of bytes (at least 10 of them): nullopt when they do not start
// with "ID3"; id3parser::parseError for a version, flags or size the format forbids.
std::optional<id3v2_header> parse_id3v2_header(std::span<const uint8_t> bytes);

struct id3v2_frame {
  std::string id;      // four letters; three for version 2.2 frames without a 2.3 form
  uint16_t flags = 0;  // status and format flags as read, decoding flags cleared
  std::vector<uint8_t> payload;
};

struct id3v2_tag {
  uint8_t major_version = 3;
  std::vector<id3v2_frame> frames;
};

// Parses a whole tag (header included; bytes may run on past it). base_offset is where the
// bytes start in their file, for error texts. Throws id3parser::parseError.
id3v2_tag parse_id3v2_tag(std::span<const uint8_t> bytes, uint64_t base_offset = 0);

// The new tag's bytes and whether they replace the old tag in place.
struct rendered_id3v2 {
  std::string bytes;
  bool is_in_place = false;
};

// Renders a version 3 or 4 tag. When it fits in old_tag_bytes with at most padding_wish
// bytes left over, it takes exactly old_tag_bytes (the rest zero padding) and is_in_place
// is set; otherwise it gets min(padding_wish, 2048) bytes of padding and the caller
// rewrites the file. Throws id3parser::writeError for another version and
// kel::exception_overflow ("overflow") for a tag of 2^28 bytes or more. Frames whose
// identifier is not four characters (2.2 leftovers) are left out.
rendered_id3v2 render_id3v2_tag(const id3v2_tag& tag, uint64_t old_tag_bytes,
                                uint32_t padding_wish);

// The unsynchronisation scheme: every 0xFF followed by 0x00 loses the 0x00 / a 0x00 goes
// after every 0xFF that is followed by 0x00 or a byte of 0xE0 or more, or ends the data.
std::vector<uint8_t> remove_unsynchronisation(std::span<const uint8_t> bytes);
bool needs_unsynchronisation(std::span<const uint8_t> bytes);
std::string apply_unsynchronisation(std::span<const uint8_t> bytes);

}  // namespace lumo::id3
