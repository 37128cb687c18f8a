#pragma once
// Translation between ID3v2 frames and track information fields, both ways.

#include <optional>
#include <span>
#include <vector>

#include "meta/track_info_mutable.h"
#include "tags/id3v2_tag.h"
#include "tags/tag_picture.h"

namespace lumo::id3 {

// Adds the meta fields and ReplayGain values of the tag's frames to out. Returns one flag
// per frame: true for a frame that became fields (the writer rebuilds those from the
// record), false for one kept as it is (pictures, unknown frames, iTunes comments).
// Throws id3parser::parseError for a frame the format forbids (a POPM without rating).
std::vector<bool> read_id3v2_fields(const id3v2_tag& tag, track_info_mutable& out);

// The picture of an APIC frame; nullopt for another frame. A truncated APIC is a
// parseError.
std::optional<tag_picture> parse_apic_frame(const id3v2_frame& frame);
std::vector<tag_picture> read_id3v2_pictures(const id3v2_tag& tag);

// The tag to write for info: old's version (a 2.2 tag or no tag becomes 2.3), the frames
// of old that did not become fields, in their order and byte for byte, after the frames
// made from info; pictures changed by the edits. Throws id3parser::writeError when the
// version cannot be written.
id3v2_tag build_id3v2_tag(const id3v2_tag* old, const track_info& info,
                          std::span<const picture_edit> pictures);

}  // namespace lumo::id3
