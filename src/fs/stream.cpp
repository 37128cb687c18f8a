#include "fs/stream.h"

#include <algorithm>
#include <array>

namespace lumo {

uint64_t stream_reader::skip(uint64_t count_bytes, const abort_signal& abort) {
  std::array<std::byte, 4096> scratch;
  uint64_t skipped = 0;
  while (skipped < count_bytes) {
    size_t chunk = static_cast<size_t>(std::min<uint64_t>(scratch.size(), count_bytes - skipped));
    size_t got = read(scratch.data(), chunk, abort);
    skipped += got;
    if (got < chunk) break;
  }
  return skipped;
}

void stream_reader::read_exact(void* buffer, size_t count_bytes, const abort_signal& abort) {
  if (read(buffer, count_bytes, abort) != count_bytes)
    throw sonatrix_io::exception_io_data_truncation();
}

void stream_reader::skip_exact(uint64_t count_bytes, const abort_signal& abort) {
  if (skip(count_bytes, abort) != count_bytes) throw sonatrix_io::exception_io_data_truncation();
}

}  // namespace lumo
