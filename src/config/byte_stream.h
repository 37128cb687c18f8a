#pragma once
// Streams over bytes in memory: the store hands each variable a reader limited to its
// record and collects what a variable writes in a scratch buffer.

#include <cstdint>
#include <span>
#include <vector>

#include "core/guid.h"
#include "fs/stream.h"

namespace lumo {

// Reads a fixed block; the block must outlive the reader.
class span_reader final : public stream_reader {
 public:
  explicit span_reader(std::span<const uint8_t> data) : data_(data) {}

  size_t read(void* buffer, size_t count_bytes, const abort_signal& abort) override;
  uint64_t skip(uint64_t count_bytes, const abort_signal& abort) override;

  size_t position() const { return position_; }
  size_t remaining() const { return data_.size() - position_; }

 private:
  std::span<const uint8_t> data_;
  size_t position_ = 0;
};

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

// Little-endian helpers shared by the variable kinds and the file format.
void put_u32_le(std::vector<uint8_t>& out, uint32_t value);
uint32_t get_u32_le(const uint8_t* bytes);
// A GUID in its memory layout: Data1, Data2, Data3 little-endian, then Data4.
inline constexpr size_t guid_size_bytes = 16;
void put_guid(std::vector<uint8_t>& out, const guid& id);
guid get_guid(const uint8_t* bytes);

}  // namespace lumo
