#pragma once
// Tags of the formats whose tags are always APEv2 tags at the end of the file (Musepack,
// WavPack, Monkey's Audio, TAK, TTA): read and written without decoding the audio, so the
// library shows them before (or without) a decoder for the format.

#include <span>
#include <string_view>

#include "core/abort.h"
#include "fs/file.h"
#include "meta/track_info_mutable.h"
#include "tags/tag_picture.h"

namespace lumo {

// The extension list, split at ";" and compared ignoring case.
inline constexpr std::string_view ape_tagged_extensions = "MPC;MP+;MPP;WV;APE;TAK;TTA";

// True when the path's extension (after its last ".", in its last component) is listed.
bool is_ape_tagged_path(std::string_view path);

// The file's tags into out (APE, and an ID3v1 tag after it if there is one). A file
// without an APE tag has no fields; a damaged one is exception_io_data.
void read_ape_tagged_file(file& f, track_info_mutable& out, const abort_signal& abort);

// Writes info as the file's APEv2 tag (an ID3v1 or ID3v2 tag the file has is written
// again too), in place at the end of the file.
void write_ape_tagged_file(std::string_view url, const track_info& info,
                           std::span<const picture_edit> pictures, const abort_signal& abort);

// Removes the APE tag, keeping what follows it (an ID3v1 tag).
void remove_ape_tag(std::string_view url, const abort_signal& abort);

}  // namespace lumo
