#pragma once
// The bytes a format parser reads: a stream_reader (fs/stream.h) that can also tell its
// position and size and may seek. Parsers see only this interface, so they build
// natively, can be fuzzed from memory, and reach real files through file_byte_source.
// Fixed structures are read as a block and parsed with a byte_cursor (read_block).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/abort.h"
#include "core/byte_cursor.h"
#include "fs/stream.h"

namespace lumo {

class byte_source : public stream_reader {
 public:
  // read (from stream_reader): up to size bytes at the current position; fewer only at
  // the end of the data.

  // Moves to an absolute position; throws exception_io_object_not_seekable when the
  // source cannot seek. Positions past the end are allowed (reads then return 0).
  virtual void seek(uint64_t position_bytes, const abort_signal& abort) = 0;
  virtual uint64_t position() const = 0;
  // Total length, or nullopt for a stream of unknown length.
  virtual std::optional<uint64_t> size() const = 0;
  virtual bool can_seek() const = 0;

  // Moves forward: a seek (clamped to the end) when possible, else reads and discards.
  // Returns the bytes actually skipped (fewer when the data ends first).
  uint64_t skip(uint64_t count_bytes, const abort_signal& abort) override;
};

// Reads exactly size bytes or throws exception_io_data_truncation.
inline void read_exact(byte_source& source, void* buffer, size_t size, const abort_signal& abort) {
  source.read_exact(buffer, size, abort);
}

inline uint64_t skip_forward(byte_source& source, uint64_t count_bytes, const abort_signal& abort) {
  return source.skip(count_bytes, abort);
}

// Reads the next count bytes into storage and returns a cursor over them that names
// what and counts offsets from where they stood in the source. Running short is
// exception_io_data_truncation with that context.
byte_cursor read_block(byte_source& source, std::vector<uint8_t>& storage, size_t count,
                       std::string_view what, const abort_signal& abort);

// A byte_source over memory the caller keeps alive; tests, fuzzers and the configuration
// store use it, and is_seekable = false makes it behave like a network stream.
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
