#include "library/library_view_folders.h"

#include <set>

#include "core/case_map.h"
#include "core/text_lookup.h"

namespace lumo {

namespace {

bool is_separator(char c) {
  return c == '\\' || c == '/';
}

bool same_folder(std::string_view a, std::string_view b) {
  if (a.empty() || b.empty()) return false;
  auto trim = [](std::string_view p) {
    while (p.size() > 1 && is_separator(p.back())) p.remove_suffix(1);
    return p;
  };
  return utf8_to_lower(trim(a)) == utf8_to_lower(trim(b));
}

}  // namespace

std::string last_path_component(std::string_view path) {
  std::string_view p = path;
  while (!p.empty() && is_separator(p.back())) p.remove_suffix(1);
  const size_t cut = p.find_last_of("\\/");
  std::string_view name = cut == std::string_view::npos ? p : p.substr(cut + 1);
  if (name.empty() || (name.size() == 2 && name[1] == ':')) return std::string(path);
  return std::string(name);
}

std::vector<std::string> music_folder_display_names(const std::vector<std::string>& folders,
                                                    const known_music_folders& known) {
  std::vector<std::string> names;
  std::set<std::string, std::less<>> taken;
  names.reserve(folders.size());
  for (const auto& folder : folders) {
    std::string name;
    if (same_folder(folder, known.user_music))
      name = lookup_text("ui_view_my_music");
    else if (same_folder(folder, known.common_music))
      name = lookup_text("ui_view_shared_music");
    else
      name = last_path_component(folder);
    if (taken.count(name)) {
      for (unsigned n = 2;; ++n) {
        std::string candidate = name + " (" + std::to_string(n) + ")";
        if (!taken.count(candidate)) {
          name = std::move(candidate);
          break;
        }
      }
    }
    taken.insert(name);
    names.push_back(std::move(name));
  }
  return names;
}

}  // namespace lumo
