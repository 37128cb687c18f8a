#pragma once
// Configuration variables: process-wide settings that persist in config.dat. Each one is
// a static object identified by a GUID; constructing it links it into the read list and
// the write list, newest first, and nothing is ever unlinked. The store walks the write
// list to save and hands each record of the file to the first variable of the read list
// with the record's GUID.
//
// Variables are read by any thread without a lock; a declaring module that changes one
// while other threads read it adds its own lock.

#include <cstdint>

#include "core/abort.h"
#include "core/guid.h"
#include "fs/stream.h"

namespace lumo {

class config_var {
 public:
  config_var(const config_var&) = delete;
  config_var& operator=(const config_var&) = delete;

  const guid& id() const { return id_; }

  // Replaces the value from its record. reader ends where the record ends: reading past
  // it raises exception_io_data_truncation, which fails the whole load.
  virtual void read_value(stream_reader& reader, uint64_t size_hint_bytes,
                          const abort_signal& abort) = 0;
  // Emits the value as the record's bytes.
  virtual void write_value(stream_writer& writer, const abort_signal& abort) const = 0;
  // Back to the default value.
  virtual void reset() = 0;

  const config_var* next_read() const { return next_read_; }
  const config_var* next_write() const { return next_write_; }
  config_var* next_read() { return next_read_; }
  config_var* next_write() { return next_write_; }

 protected:
  // Only static objects may link themselves: the lists are never unlinked.
  explicit config_var(const guid& id);
  ~config_var() = default;

 private:
  guid id_;
  config_var* next_read_ = nullptr;
  config_var* next_write_ = nullptr;
};

// Heads of the two lists (newest first); null when no variable is linked in.
config_var* config_read_list();
config_var* config_write_list();

}  // namespace lumo
