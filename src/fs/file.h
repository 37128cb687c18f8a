#pragma once
// An open file: 64-bit positions, read, write, seek, size, resize and timestamps. The
// object keeps the position itself, so asking for it costs no system call. Objects are
// not synchronised: one thread uses one object at a time. Every operation checks its
// abort signal first and raises kel::exception_aborted when it is set.

#include <cstdint>
#include <memory>

#include "core/abort.h"
#include "fs/stream.h"

namespace lumo {

inline constexpr uint64_t filesize_unknown = ~uint64_t{0};
// Timestamps count 100 ns intervals since 1601-01-01 UTC (the Windows FILETIME); 0 = unknown.
inline constexpr uint64_t filetimestamp_unknown = 0;

enum class seek_origin : int { start = 0, current = 1, end = 2 };

class file : public stream_reader, public stream_writer {
 public:
  // filesize_unknown when the object cannot tell.
  virtual uint64_t get_size(const abort_signal& abort) = 0;
  virtual uint64_t get_position(const abort_signal& abort) = 0;
  // A target beyond the current size raises exception_io_seek_out_of_range; the size
  // itself is a valid target.
  virtual void seek(uint64_t position, const abort_signal& abort) = 0;
  // Sets the size; the position becomes min(old position, new size). A read-only
  // object raises exception_io_denied.
  virtual void resize(uint64_t size_bytes, const abort_signal& abort) = 0;
  // Commits what this object wrote to the storage device (a file on disk: the system's
  // buffers too), so a crash or power loss afterwards cannot lose it. Objects without
  // storage have nothing to do.
  virtual void flush(const abort_signal& abort) { abort.check(); }
  // Last-write time, after flushing what this object wrote; filetimestamp_unknown if none.
  virtual uint64_t get_timestamp(const abort_signal& abort) = 0;

  virtual bool can_seek() const { return true; }
  virtual bool is_remote() const { return false; }
  // The buffering layer leaves these objects alone: wrapping them would only copy twice.
  virtual bool is_in_memory() const { return false; }
  virtual bool is_buffered() const { return false; }

  // Skips by seeking, clamped to the end of the file.
  uint64_t skip(uint64_t count_bytes, const abort_signal& abort) override;

  // Seeks relative to origin. From the end needs a known size (else
  // exception_io_no_length); an origin outside the enum raises exception_io_data; a
  // target before 0 or past the end raises exception_io_seek_out_of_range.
  void seek_ex(int64_t offset, seek_origin origin, const abort_signal& abort);
  void truncate(uint64_t size_bytes, const abort_signal& abort) { resize(size_bytes, abort); }
  void reopen(const abort_signal& abort) { seek(0, abort); }

  stream_reader& reader() { return *this; }
  stream_writer& writer() { return *this; }
};

// File objects are shared: the opener, a buffering wrapper and readers may hold one.
using file_ptr = std::shared_ptr<file>;

}  // namespace lumo
