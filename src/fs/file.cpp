#include "fs/file.h"

#include <algorithm>
#include <limits>

#include "core/exceptions.h"

namespace lumo {

uint64_t file::skip(uint64_t count_bytes, const abort_signal& abort) {
  uint64_t size = get_size(abort);
  if (size == filesize_unknown || !can_seek()) return stream_reader::skip(count_bytes, abort);
  uint64_t position = get_position(abort);
  uint64_t step = position >= size ? 0 : std::min(count_bytes, size - position);
  seek(position + step, abort);
  return step;
}

void file::seek_ex(int64_t offset, seek_origin origin, const abort_signal& abort) {
  abort.check();
  uint64_t base = 0;
  switch (origin) {
    case seek_origin::start: break;
    case seek_origin::current: base = get_position(abort); break;
    case seek_origin::end:
      base = get_size(abort);
      if (base == filesize_unknown) throw sonatrix_io::exception_io_no_length();
      break;
    default: throw sonatrix_io::exception_io_data();
  }
  // Done in unsigned arithmetic with explicit range checks: base fits in 63 bits for
  // any real file, but the offset comes from a caller that may have read it from a file.
  uint64_t target;
  if (offset < 0) {
    uint64_t back = uint64_t{0} - static_cast<uint64_t>(offset);
    if (back > base) throw sonatrix_io::exception_io_seek_out_of_range();
    target = base - back;
  } else {
    if (static_cast<uint64_t>(offset) > std::numeric_limits<uint64_t>::max() - base)
      throw sonatrix_io::exception_io_seek_out_of_range();
    target = base + static_cast<uint64_t>(offset);
  }
  seek(target, abort);
}

}  // namespace lumo
