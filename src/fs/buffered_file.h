#pragma once
#include <cstddef>

#include "fs/file.h"

namespace lumo {

inline constexpr size_t file_read_buffer_bytes = 0x10000;

// Wraps f in a read buffer of file_read_buffer_bytes so that many small reads cost few
// system calls. Objects that are in memory or already buffered come back unchanged.
// Writes go straight through (dropping the buffered bytes), so a reader of the same
// file elsewhere sees them at once.
file_ptr wrap_buffered(file_ptr f);

}  // namespace lumo
