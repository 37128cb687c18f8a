#pragma once
// APE tags (versions 1000 and 2000) at the end of a file: the 32-byte footer (and
// header), items with flags and keys, and the translation between items and track
// information fields ("Track", "Disc", "Year" renamed; pictures as binary items holding a
// file name, a zero byte and the image).

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "meta/track_info_mutable.h"
#include "tags/tag_picture.h"

namespace lumo::ape {

inline constexpr size_t block_bytes = 32;  // header and footer
inline constexpr uint32_t version_1 = 1000;
inline constexpr uint32_t version_2 = 2000;
inline constexpr uint32_t flag_has_header = 0x80000000u;
inline constexpr uint32_t flag_is_header = 0x20000000u;

enum class item_type : uint32_t { text = 0, binary = 1, external_link = 2 };

struct item {
  std::string key;
  uint32_t flags = 0;  // bit 0 read-only, bits 1-2 the type
  std::vector<uint8_t> value;
  item_type type() const { return static_cast<item_type>((flags >> 1) & 3); }
};

struct tag {
  uint32_t version = version_2;
  std::vector<item> items;
};

// Where a tag lies, from its footer (the 32 bytes before footer_end in the file).
struct location {
  uint64_t offset = 0;  // first byte of the tag, its header if it has one
  uint64_t bytes = 0;   // header (if any), items and footer
};

// Checks a footer; exception_io_data for a missing "APETAGEX", a version other than 1000
// or 2000, or a size below 32 or above available_bytes (the bytes before footer_end).
location parse_footer(std::span<const uint8_t> footer, uint64_t footer_end,
                      uint64_t available_bytes);

// Parses the items of a whole tag (the bytes of location). exception_io_data for items
// running past the tag.
tag parse_tag(std::span<const uint8_t> bytes, uint64_t base_offset);

// Adds the tag's fields and ReplayGain to out; returns the pictures. Does not set
// "tagtype" (callers know where the tag sits among others).
std::vector<tag_picture> read_fields(const tag& t, track_info_mutable& out);

// The items for info: Track/Disc with totals, Year, ReplayGain under their names, every
// other field as text; the old tag's pictures (with the edits applied) under their kind's
// key as "hello.<ext>"; other binary and link items of the old tag kept.
tag build_tag(const tag* old, const track_info& info, std::span<const picture_edit> pictures);

// Header, items, footer (APEv2, flags 0xA0000000 / 0x80000000); header_only gives the
// single-block form a Musepack stream stores inside itself.
std::string render_tag(const tag& t, bool header_only = false);

// The APE picture key of a kind ("Cover Art (Front)", ...).
std::string_view picture_key(album_art_kind kind);

}  // namespace lumo::ape
