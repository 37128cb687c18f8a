#pragma once
// The bytes a format parser reads. Parsers see only this interface, so they build
// natively, can be fuzzed from memory, and reach real files through a thin adapter over
// the file system layer's file object.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "core/abort.h"

namespace lumo {

class byte_source {
 public:
  virtual ~byte_source() = default;
  // Reads up to size bytes at the current position; fewer only at the end of the data.
  virtual size_t read(void* buffer, size_t size, const abort_signal& abort) = 0;
  // Moves to an absolute position; throws exception_io_object_not_seekable when the
  // source cannot seek. Positions past the end are allowed (reads then return 0).
  virtual void seek(uint64_t position_bytes, const abort_signal& abort) = 0;
  virtual uint64_t position() const = 0;
  // Total length, or nullopt for a stream of unknown length.
  virtual std::optional<uint64_t> size() const = 0;
  virtual bool can_seek() const = 0;
};

// Reads exactly size bytes or throws exception_io_data_truncation.
void read_exact(byte_source& source, void* buffer, size_t size, const abort_signal& abort);

// Moves forward by count bytes: a seek when possible, else reads and discards. Returns
// the bytes actually skipped (fewer when the data ends first).
uint64_t skip_forward(byte_source& source, uint64_t count_bytes, const abort_signal& abort);

// A byte_source over memory the caller keeps alive; tests and fuzzers use it, and
// is_seekable = false makes it behave like a network stream.
class memory_byte_source final : public byte_source {
 public:
  explicit memory_byte_source(std::span<const uint8_t> bytes, bool is_seekable = true,
                              bool is_size_known = true)
      : bytes_(bytes), is_seekable_(is_seekable), is_size_known_(is_size_known) {}
  size_t read(void* buffer, size_t size, const abort_signal& abort) override;
  void seek(uint64_t position_bytes, const abort_signal& abort) override;
  uint64_t position() const override { return position_; }
  std::optional<uint64_t> size() const override;
  bool can_seek() const override { return is_seekable_; }

 private:
  std::span<const uint8_t> bytes_;
  uint64_t position_ = 0;
  bool is_seekable_;
  bool is_size_known_;
};

}  // namespace lumo
