#pragma once
// The library file, database.dat: a magic GUID, then per library folder its key and its
// folder state (a chunk list whose tree chunk holds the folder's directory records and
// the track summaries read from each file). Integers are little-endian; strings are a
// u32 byte count and the UTF-8 bytes.
//
// Loading does not parse folder states: read_database_windows only records where each
// folder's state lies, and each watcher restores its own tree from its window.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/abort.h"
#include "fs/file.h"
#include "library/folder_tree.h"

namespace lumo {

// The bytes of one folder state inside the loaded file.
struct database_window {
  std::shared_ptr<const std::vector<uint8_t>> file_bytes;
  uint64_t offset = 0;
  uint64_t size = 0;

  std::span<const uint8_t> bytes() const {
    return std::span<const uint8_t>(*file_bytes).subspan(offset, size);
  }
};

// Folder key → window. Wrong magic or a record past the end: exception_io_data; a window
// whose end overflows 64 bits: kel::exception_overflow.
std::map<std::string, database_window> read_database_windows(
    std::shared_ptr<const std::vector<uint8_t>> file_bytes);

// One folder's record as the writer needs it: the key and its state bytes.
struct database_folder_writer {
  std::string key;
  // Returns the folder state (chunk list with terminator); called once, in key order.
  std::function<std::string()> make_state;
};

// Writes the whole file through a 16 KiB buffer. The state size of each record is
// written as 0 and patched once the state is out. A state of 4 GiB or more:
// kel::exception_overflow.
void write_database(file& out, const std::vector<database_folder_writer>& folders,
                    const abort_signal& abort);

// The folder state of a tree: the tree chunk and the terminator.
std::string encode_folder_state(const directory_node& root);

// Restores a tree from a folder state. root_url is the folder's root location; tracks get
// the handles of root_url + relative path. A file whose tracks did not all carry
// summaries gets stamp 0, so the next scan reads it again. Damage: exception_io_data.
std::unique_ptr<directory_node> decode_folder_state(std::span<const uint8_t> state,
                                                    uint64_t file_offset,
                                                    const std::string& root_url);

// The summary record on its own (length, blob of eight NUL-terminated strings).
void encode_summary(std::string& out, const track_summary& summary);

inline constexpr size_t database_write_buffer_bytes = 16384;
// Deeper directory records are refused as damage (the reader recurses).
inline constexpr size_t database_max_depth = 1024;

}  // namespace lumo
