#include "input/byte_source.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/exceptions.h"

namespace lumo {

void read_exact(byte_source& source, void* buffer, size_t size, const abort_signal& abort) {
  if (source.read(buffer, size, abort) != size) throw sonatrix_io::exception_io_data_truncation();
}

uint64_t skip_forward(byte_source& source, uint64_t count_bytes, const abort_signal& abort) {
  if (count_bytes == 0) return 0;
  if (source.can_seek()) {
    const uint64_t from = source.position();
    uint64_t to = from + count_bytes;
    if (to < from) to = UINT64_MAX;
    if (auto size = source.size()) to = std::min(to, std::max(*size, from));
    source.seek(to, abort);
    return to - from;
  }
  constexpr size_t chunk_bytes = 64 * 1024;
  std::vector<uint8_t> scratch(static_cast<size_t>(std::min<uint64_t>(count_bytes, chunk_bytes)));
  uint64_t done = 0;
  while (done < count_bytes) {
    abort.check();
    const size_t want = static_cast<size_t>(std::min<uint64_t>(count_bytes - done, scratch.size()));
    const size_t got = source.read(scratch.data(), want, abort);
    done += got;
    if (got < want) break;
  }
  return done;
}

size_t memory_byte_source::read(void* buffer, size_t size, const abort_signal& abort) {
  abort.check();
  if (position_ >= bytes_.size()) return 0;
  const size_t count = static_cast<size_t>(std::min<uint64_t>(size, bytes_.size() - position_));
  if (count) std::memcpy(buffer, bytes_.data() + position_, count);
  position_ += count;
  return count;
}

void memory_byte_source::seek(uint64_t position_bytes, const abort_signal& abort) {
  abort.check();
  if (!is_seekable_) throw sonatrix_io::exception_io_object_not_seekable();
  position_ = position_bytes;
}

std::optional<uint64_t> memory_byte_source::size() const {
  if (!is_size_known_) return std::nullopt;
  return bytes_.size();
}

}  // namespace lumo
