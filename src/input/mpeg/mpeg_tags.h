#pragma once
// Where the MPEG handler meets the tag readers and writers: an ID3v2 tag at the start of
// the file, an APEv2 and an ID3v1 tag at its end.

#include <functional>
#include <span>
#include <string_view>

#include "core/abort.h"
#include "fs/file.h"
#include "meta/track_info.h"
#include "meta/track_info_mutable.h"
#include "tags/file_tags.h"
#include "tags/tag_picture.h"

namespace lumo::mpeg {

// Adds the file's tags to out (meta fields, ReplayGain, "tagtype"), leaving the file
// position where it was; nothing on a file that cannot seek. A malformed ID3v2 tag is
// exception_io_data.
void read_mpeg_tags(file& f, track_info_mutable& out, const abort_signal& abort);

// The tag types the "Tag writing scheme for untagged files" preference chooses.
tag_types scheme_tag_types();

// The tags info's metadata goes to: the types its "tagtype" names, else those the file
// has (layout), else the scheme's.
tag_types tag_types_to_write(const track_info& info, const file_tag_layout& layout);

// Writes info's metadata (and the picture edits) into the tags of the file at path. f is
// open on path for writing; release_file is called before a rewrite replaces the file
// (see write_file_tags), after which f is not used. test_checkpoint: see file_tag_write.
void write_mpeg_tags(file& f, std::string_view path, const track_info& info,
                     std::span<const picture_edit> pictures,
                     const std::function<void()>& release_file, const abort_signal& abort,
                     const std::function<void(std::string_view)>& test_checkpoint = {});

}  // namespace lumo::mpeg
