#include "fs/byte_source.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/exceptions.h"

namespace lumo {

uint64_t byte_source::skip(uint64_t count_bytes, const abort_signal& abort) {
  if (count_bytes == 0) return 0;
  if (can_seek()) {
    const uint64_t from = position();
    uint64_t to = from + count_bytes;
    if (to < from) to = UINT64_MAX;
    if (auto total = size()) to = std::min(to, std::max(*total, from));
    seek(to, abort);
    return to - from;
  }
  return stream_reader::skip(count_bytes, abort);
}

byte_cursor read_block(byte_source& source, std::vector<uint8_t>& storage, size_t count,
                       std::string_view what, const abort_signal& abort) {
  const uint64_t start = source.position();
  storage.resize(count);
  const size_t got = source.read(storage.data(), count, abort);
  if (got != count)
    throw_truncation_error(
        what, start + got,
        "needs " + std::to_string(count) + " bytes, " + std::to_string(got) + " there");
  return byte_cursor(storage, what, start);
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
