#include "input/mpeg/mpeg_tags.h"

#include "input/input_exceptions.h"

namespace lumo::mpeg {

// The ID3 (src/tags/id3*) and APE (src/tags/ape*) readers connect here: read the leading
// ID3v2 tag and the trailing APEv2 and ID3v1 tags, merge their fields into out and name
// the kinds found in "tagtype". Until they land, an MP3 file shows no tags.
void read_mpeg_tags(file&, track_info_mutable&, const abort_signal& abort) {
  abort.check();
}

// The tag-writing scheme (which of ID3v1, ID3v2 and APEv2 to write) connects here.
void write_mpeg_tags(file&, const track_info&, const abort_signal&) {
  throw sonatrix_io::exception_tagging_unsupported();
}

}  // namespace lumo::mpeg
