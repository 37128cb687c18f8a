#include "ui/album_picture.h"

#include "fs/file_system.h"

namespace lumo {

std::optional<std::string> choose_album_picture_file(
    const std::function<bool(std::string_view name)>& exists) {
  for (std::string_view name : album_picture_file_names)
    if (exists(name)) return std::string(name);
  return std::nullopt;
}

std::optional<std::string> find_album_picture_file(std::string_view track_url) {
  const size_t cut = track_url.find_last_of("\\/");
  if (cut == std::string_view::npos) return std::nullopt;
  const std::string folder(track_url.substr(0, cut + 1));
  try {
    const file_system& fs = find_file_system(folder);
    std::optional<std::string> name = choose_album_picture_file(
        [&](std::string_view n) { return fs.exists(folder + std::string(n)); });
    if (name) return folder + *name;
  } catch (const std::exception&) {
    // A location no file system claims has no picture files.
  }
  return std::nullopt;
}

}  // namespace lumo
