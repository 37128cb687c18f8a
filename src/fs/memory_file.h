#pragma once
#include "fs/file.h"

namespace lumo {

// A growable file in memory, readable and writable; nothing touches the disk. Its
// timestamp is unknown. Growth is geometric (std::vector's), so appending in small
// writes stays linear.
file_ptr make_memory_file();

}  // namespace lumo
