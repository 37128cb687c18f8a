#include "config/byte_stream.h"

#include <cstring>

namespace lumo {

void vector_writer::write(const void* buffer, size_t count_bytes, const abort_signal& abort) {
  abort.check();
  const auto* p = static_cast<const uint8_t*>(buffer);
  bytes_.insert(bytes_.end(), p, p + count_bytes);
}

}  // namespace lumo
