#pragma once
// The plain byte-stream interfaces that format readers and the configuration store use.
// A file object is both; a memory block or a network source could be either.

#include <cstddef>
#include <cstdint>

#include "core/abort.h"

namespace lumo {

class stream_reader {
 public:
  virtual ~stream_reader() = default;

  // Reads up to count_bytes; fewer only at the end of the stream. Checks abort first.
  virtual size_t read(void* buffer, size_t count_bytes, const abort_signal& abort) = 0;

  // Skips up to count_bytes and returns how many were skipped (fewer only at the end).
  // The default reads and discards; seekable objects override it.
  virtual uint64_t skip(uint64_t count_bytes, const abort_signal& abort);

  // Raises exception_io_data_truncation when the stream ends first.
  void read_exact(void* buffer, size_t count_bytes, const abort_signal& abort);
  void skip_exact(uint64_t count_bytes, const abort_signal& abort);
};

class stream_writer {
 public:
  virtual ~stream_writer() = default;

  // Writes everything or raises (a short write is exception_io "Write failure").
  virtual void write(const void* buffer, size_t count_bytes, const abort_signal& abort) = 0;
};

}  // namespace lumo
