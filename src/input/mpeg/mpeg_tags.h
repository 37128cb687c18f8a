#pragma once
// Where the MPEG handler meets the tag readers and writers: an ID3v2 tag at the start of
// the file, an APEv2 and an ID3v1 tag at its end.

#include "core/abort.h"
#include "fs/file.h"
#include "meta/track_info.h"
#include "meta/track_info_mutable.h"

namespace lumo::mpeg {

// Adds the file's tags to out (meta fields, ReplayGain, "tagtype"). Moves the file
// position; a malformed ID3v2 tag is exception_io_data.
void read_mpeg_tags(file& f, track_info_mutable& out, const abort_signal& abort);

// Writes info's metadata into the file's tags.
void write_mpeg_tags(file& f, const track_info& info, const abort_signal& abort);

}  // namespace lumo::mpeg
