#include "input/mpeg/mpeg_tags.h"

#include "input/input_exceptions.h"
#include "tags/file_tags.h"

namespace lumo::mpeg {

void read_mpeg_tags(file& f, track_info_mutable& out, const abort_signal& abort) {
  // The tags sit at both ends of the file; a stream that cannot seek shows none rather
  // than losing its place in the audio.
  if (!f.can_seek()) return;
  // The decoder reads through the same file object: leave it where it was.
  const uint64_t position = f.get_position(abort);
  read_file_tags(f, out, abort);
  f.seek(position, abort);
}

// The tag-writing scheme (which of ID3v1, ID3v2 and APEv2 a file gets) connects here and
// calls write_file_tags with its choice; until it lands MP3 tags are read-only.
void write_mpeg_tags(file&, const track_info&, const abort_signal&) {
  throw sonatrix_io::exception_tagging_unsupported();
}

}  // namespace lumo::mpeg
