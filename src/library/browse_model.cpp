#include "library/browse_model.h"

#include <array>

#include "core/case_map.h"
#include "input/input_handler.h"
#include "input/input_matching.h"
#include "input/input_open.h"
#include "library/browse_platform.h"

namespace lumo {

namespace {
// In order of preference.
constexpr std::array<std::string_view, 4> picture_names = {"front cover.jpg", "front.jpg",
                                                           "cover.jpg", "folder.jpg"};

std::optional<size_t> picture_rank(std::string_view name) {
  for (size_t i = 0; i < picture_names.size(); ++i)
    if (ascii_equal_nocase(name, picture_names[i])) return i;
  return std::nullopt;
}
}  // namespace

std::vector<browse_entry> computer_root_from(
    const std::vector<std::pair<std::string, std::string>>& drives) {
  std::vector<browse_entry> out;
  for (const auto& [root, label] : drives) {
    browse_entry e{browse_entry_kind::drive, root, root, {}};
    if (!label.empty()) e.name += " [" + label + "]";
    out.push_back(std::move(e));
  }
  return out;
}

std::vector<browse_entry> computer_root() {
  std::vector<std::pair<std::string, std::string>> drives;
  for (auto& d : browse_platform::list_drives()) drives.emplace_back(d.root, d.label);
  return computer_root_from(drives);
}

std::vector<browse_entry> music_folders_root(const std::vector<std::string>& folders,
                                             const known_music_folders& known) {
  const auto names = music_folder_display_names(folders, known);
  std::vector<browse_entry> out;
  for (size_t i = 0; i < folders.size(); ++i)
    out.push_back({browse_entry_kind::library_folder, names[i], folders[i], {}});
  return out;
}

bool input_accepts_path(std::string_view path) {
  return find_handler_for_path(path) != nullptr;
}

folder_listing list_folder(std::string_view path, const abort_signal& abort,
                           const std::function<bool(std::string_view path)>& accepts) {
  folder_listing listing;
  listing.path = std::string(path);
  std::optional<size_t> best_picture;
  browse_platform::list_folder(path, abort, [&](const browse_platform::folder_item& item) {
    if (item.name.empty() || item.name.front() == '.' || item.is_hidden) return;
    std::string full = browse_platform::join_path(path, item.name);
    if (item.is_directory) {
      listing.folders.try_emplace(item.name,
                                  browse_entry{browse_entry_kind::folder, item.name, full, {}});
      return;
    }
    if (auto rank = picture_rank(item.name); rank && (!best_picture || *rank < *best_picture)) {
      best_picture = rank;
      listing.picture = full;
    }
    if (!(accepts ? accepts(full) : input_accepts_path(full))) return;
    auto [it, is_new] = listing.files.try_emplace(item.name);
    if (!is_new) return;
    track_handle_ptr handle = get_track_handle(track_location{"file://" + full, 0});
    it->second =
        browse_entry{browse_entry_kind::file, item.name, std::move(full), std::move(handle)};
  });
  return listing;
}

}  // namespace lumo
