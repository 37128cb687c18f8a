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

// The handles of one file's tracks, used like a vector. Nearly every file holds one
// track, so one handle is kept in place and only a file of several tracks allocates
// (loading a library of a hundred thousand files makes that many allocations fewer).
class track_handle_list {
 public:
  track_handle_list() = default;
  track_handle_list(track_handle_list&& other) noexcept { *this = std::move(other); }
  track_handle_list& operator=(track_handle_list&& other) noexcept;
  track_handle_list(const track_handle_list& other) { *this = other; }
  track_handle_list& operator=(const track_handle_list& other);
  // Takes the handles over (one handle leaves the vector's storage behind).
  track_handle_list& operator=(std::vector<track_handle_ptr>&& handles);

  size_t size() const { return many_ ? many_->size() : single_ ? 1 : 0; }
  bool empty() const { return size() == 0; }
  track_handle_ptr* begin() { return many_ ? many_->data() : &one_; }
  track_handle_ptr* end() { return begin() + size(); }
  const track_handle_ptr* begin() const { return many_ ? many_->data() : &one_; }
  const track_handle_ptr* end() const { return begin() + size(); }
  track_handle_ptr& operator[](size_t i) { return begin()[i]; }
  const track_handle_ptr& operator[](size_t i) const { return begin()[i]; }

  void push_back(track_handle_ptr handle);
  void clear();

 private:
  // At most one of them is in use: one_ for a single handle, many_ otherwise. A handle
  // moved out leaves its place empty but counted, as in a vector.
  track_handle_ptr one_;
  std::unique_ptr<std::vector<track_handle_ptr>> many_;
  bool single_ = false;
};

struct file_entry {
  uint64_t stamp = 0;         // the modification stamp when the file was last read; 0 = never
  track_handle_list handles;  // one per track (subsong) of the file
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
