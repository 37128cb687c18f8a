// Fuzzes the database.dat reader: the file's folder records, then every folder state as
// a watcher restores it. The first byte picks the target: even bytes feed the rest as a
// whole file; odd bytes as one folder state, so mutations reach the tree records
// without first having to build a valid file around them. Every failure must be an
// exception of our family.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/exceptions.h"
#include "library/library_database.h"

using namespace lumo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  auto bytes = std::make_shared<const std::vector<uint8_t>>(data + 1, data + size);
  try {
    if (data[0] & 1) {
      decode_folder_state(*bytes, 0, "file:///fuzz");
    } else {
      for (const auto& [key, window] : read_database_windows(bytes))
        decode_folder_state(window.bytes(), window.offset, "file:///fuzz/" + key);
    }
  } catch (const sonatrix_io::exception_io_data&) {
  } catch (const kel::exception_overflow&) {
  }
  return 0;
}
