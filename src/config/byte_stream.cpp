#include "config/byte_stream.h"

#include <algorithm>
#include <cstring>

namespace lumo {

size_t span_reader::read(void* buffer, size_t count_bytes, const abort_signal& abort) {
  abort.check();
  size_t n = std::min(count_bytes, remaining());
  if (n) std::memcpy(buffer, data_.data() + position_, n);
  position_ += n;
  return n;
}

uint64_t span_reader::skip(uint64_t count_bytes, const abort_signal& abort) {
  abort.check();
  size_t n = static_cast<size_t>(std::min<uint64_t>(count_bytes, remaining()));
  position_ += n;
  return n;
}

void vector_writer::write(const void* buffer, size_t count_bytes, const abort_signal& abort) {
  abort.check();
  const auto* p = static_cast<const uint8_t*>(buffer);
  bytes_.insert(bytes_.end(), p, p + count_bytes);
}

void put_u32_le(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

uint32_t get_u32_le(const uint8_t* bytes) {
  return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
         uint32_t{bytes[3]} << 24;
}

void put_guid(std::vector<uint8_t>& out, const guid& id) {
  put_u32_le(out, id.data1);
  for (uint16_t half : {id.data2, id.data3}) {
    out.push_back(static_cast<uint8_t>(half));
    out.push_back(static_cast<uint8_t>(half >> 8));
  }
  out.insert(out.end(), id.data4, id.data4 + 8);
}

guid get_guid(const uint8_t* bytes) {
  guid id{};
  id.data1 = get_u32_le(bytes);
  id.data2 = static_cast<uint16_t>(bytes[4] | bytes[5] << 8);
  id.data3 = static_cast<uint16_t>(bytes[6] | bytes[7] << 8);
  std::memcpy(id.data4, bytes + 8, 8);
  return id;
}

}  // namespace lumo
