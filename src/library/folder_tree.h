#pragma once
// The in-memory tree of one library folder: directory nodes with name-ordered maps of
// files and subdirectories, and for every file its stamp and the handles of its tracks.
// Names are ordered by their bytes. Owned by one folder watcher and guarded by its lock.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "library/track_handle.h"

namespace lumo {

struct file_entry {
  uint64_t stamp = 0;  // the modification stamp when the file was last read; 0 = never
  std::vector<track_handle_ptr> handles;  // one per track (subsong) of the file
};

struct directory_node {
  std::map<std::string, file_entry, std::less<>> files;
  std::map<std::string, std::unique_ptr<directory_node>, std::less<>> dirs;

  bool empty() const { return files.empty() && dirs.empty(); }
};

// Every handle of the node and all nodes under it, in tree order.
void collect_handles(const directory_node& node, std::vector<track_handle_ptr>& out);
// Number of files (not handles) under the node.
size_t count_files(const directory_node& node);

// base + name with the platform separator between them (not doubled when base ends in
// one). Used for URLs and native paths alike.
std::string join_path(std::string_view base, std::string_view name);

}  // namespace lumo
