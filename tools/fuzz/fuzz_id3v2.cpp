// Fuzzes the ID3v2 reader and writer: the tag structure, the frame-to-field translation,
// pictures, and writing back what was read (which must parse again). ID3v1 reads the
// last 128 bytes. Only the parse error and the data error may escape the readers.
#include <cstdint>
#include <span>

#include "core/exceptions.h"
#include "meta/track_info_mutable.h"
#include "tags/id3v1_tag.h"
#include "tags/id3v2_fields.h"
#include "tags/id3v2_tag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumo;
  std::span<const uint8_t> bytes(data, size);
  if (size >= id3::id3v1_tag_bytes) {
    track_info_mutable v1;
    id3::read_id3v1(bytes.last(id3::id3v1_tag_bytes), v1);
    id3::build_id3v1(v1);
  }
  id3::id3v2_tag tag;
  track_info_mutable info;
  try {
    tag = id3::parse_id3v2_tag(bytes);
    id3::read_id3v2_fields(tag, info);
    id3::read_id3v2_pictures(tag);
  } catch (const id3parser::parseError&) {
    return 0;
  } catch (const sonatrix_io::exception_io_data&) {
    return 0;
  }
  // What was read can always be written, and what was written must read again.
  auto rebuilt = id3::build_id3v2_tag(&tag, info, {});
  auto rendered = id3::render_id3v2_tag(rebuilt, size, id3::id3v2_padding_wish_bytes);
  std::span<const uint8_t> out(reinterpret_cast<const uint8_t*>(rendered.bytes.data()),
                               rendered.bytes.size());
  // A parse error here escapes and stops the fuzzer: our own output must always read.
  auto again = id3::parse_id3v2_tag(out);
  track_info_mutable info_again;
  id3::read_id3v2_fields(again, info_again);
  return 0;
}
