#pragma once
// ID3v1 and ID3v1.1: the 128 bytes at the end of a file. Text is ISO-8859-1 both ways
// (what every ID3v1 writer in practice uses, whatever the reader's system code page).

#include <array>
#include <cstdint>
#include <span>

#include "meta/track_info_mutable.h"

namespace lumo::id3 {

inline constexpr size_t id3v1_tag_bytes = 128;

// True when the bytes (at least 128) start with "TAG".
bool is_id3v1_tag(std::span<const uint8_t> bytes);

// Adds title, artist, album, date, comment, tracknumber (v1.1) and genre to out; empty
// fields are not set. Returns false (and adds nothing) when the bytes are not a tag.
bool read_id3v1(std::span<const uint8_t> bytes, track_info_mutable& out);

// The tag for info: texts cut to their widths, a track number of 1..127 as ID3v1.1 (the
// comment then gets 28 bytes), the genre by name (any case) or 255.
std::array<uint8_t, id3v1_tag_bytes> build_id3v1(const track_info& info);

}  // namespace lumo::id3
