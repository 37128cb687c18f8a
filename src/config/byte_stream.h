#pragma once
// What a variable writes is collected in a scratch buffer (variables read through a
// memory_byte_source over their record, fs/byte_source.h).

#include <cstdint>
#include <vector>

#include "fs/stream.h"

namespace lumo {

// Appends everything written to a vector it owns.
class vector_writer final : public stream_writer {
 public:
  void write(const void* buffer, size_t count_bytes, const abort_signal& abort) override;

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t> take() { return std::move(bytes_); }
  void clear() { bytes_.clear(); }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace lumo
