#include "library/folder_tree.h"

#include "fs/native_fs.h"

namespace lumo {

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
  std::string out(base);
  char sep = native_fs::path_separator();
  if (!out.empty() && out.back() != sep) out += sep;
  out += name;
  return out;
}

}  // namespace lumo
