#include "input/mpeg/mpeg_tags.h"

#include "config/advanced_entries.h"
#include "input/input_open.h"

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

tag_types scheme_tag_types() {
  tag_types types;
  if (advanced::scheme_id3v2.get_state()) {
    types.id3v2 = true;
  } else if (advanced::scheme_ape_id3v1.get_state()) {
    types.ape = types.id3v1 = true;
  } else if (advanced::scheme_ape.get_state()) {
    types.ape = true;
  } else {
    // The default choice, and the answer when a damaged configuration set none.
    types.id3v2 = types.id3v1 = true;
  }
  return types;
}

tag_types tag_types_to_write(const track_info& info, const file_tag_layout& layout) {
  tag_types types = tag_types_of(info);
  if (types.any()) return types;
  // A record built from scratch names no types; the file's own tags still count.
  types.id3v2 = layout.id3v2.count > 0;
  types.ape = layout.has_ape_footer;
  types.id3v1 = layout.has_id3v1;
  return types.any() ? types : scheme_tag_types();
}

void write_mpeg_tags(file& f, std::string_view path, const track_info& info,
                     std::span<const picture_edit> pictures,
                     const std::function<void()>& release_file, const abort_signal& abort,
                     const std::function<void(std::string_view)>& test_checkpoint) {
  file_tag_write request;
  request.types = tag_types_to_write(info, scan_file_tags(f, abort));
  request.pictures.assign(pictures.begin(), pictures.end());
  request.temporary_url = retagging_temporary_name(path);
  request.test_checkpoint = test_checkpoint;
  write_file_tags(f, path, info, request, release_file, abort);
}

}  // namespace lumo::mpeg
