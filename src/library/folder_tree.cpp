#include "library/folder_tree.h"

#include <utility>

#include "fs/native_fs.h"

namespace lumo {

track_handle_list& track_handle_list::operator=(const track_handle_list& other) {
  if (this == &other) return *this;
  clear();
  for (const track_handle_ptr& h : other) push_back(h);
  return *this;
}

track_handle_list& track_handle_list::operator=(track_handle_list&& other) noexcept {
  if (this == &other) return *this;
  one_ = std::move(other.one_);
  many_ = std::move(other.many_);
  single_ = std::exchange(other.single_, false);
  return *this;
}

track_handle_list& track_handle_list::operator=(std::vector<track_handle_ptr>&& handles) {
  clear();
  if (handles.size() == 1) {
    one_ = std::move(handles[0]);
    single_ = true;
  } else if (!handles.empty()) {
    many_ = std::make_unique<std::vector<track_handle_ptr>>(std::move(handles));
  }
  handles.clear();
  return *this;
}

void track_handle_list::push_back(track_handle_ptr handle) {
  if (many_) {
    many_->push_back(std::move(handle));
  } else if (!single_) {
    one_ = std::move(handle);
    single_ = true;
  } else {
    auto all = std::make_unique<std::vector<track_handle_ptr>>();
    all->reserve(2);
    all->push_back(std::move(one_));
    all->push_back(std::move(handle));
    many_ = std::move(all);
    single_ = false;
  }
}

void track_handle_list::clear() {
  one_ = track_handle_ptr();
  many_.reset();
  single_ = false;
}

void collect_handles(const directory_node& node, std::vector<track_handle_ptr>& out) {
  for (const auto& [name, entry] : node.files)
    out.insert(out.end(), entry.handles.begin(), entry.handles.end());
  for (const auto& [name, child] : node.dirs) collect_handles(*child, out);
}

size_t count_files(const directory_node& node) {
  size_t n = node.files.size();
  for (const auto& [name, child] : node.dirs) n += count_files(*child);
  return n;
}

std::string join_path(std::string_view base, std::string_view name) {
  std::string out;
  // One allocation: growing by the separator first would move a long base once more.
  out.reserve(base.size() + 1 + name.size());
  out += base;
  char sep = native_fs::path_separator();
  if (!out.empty() && out.back() != sep) out += sep;
  out += name;
  return out;
}

}  // namespace lumo
