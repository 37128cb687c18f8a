#include "app/app_state.h"

#include "fs/native_fs.h"

namespace lumo {

namespace {

constexpr std::string_view file_scheme = "file://";

std::string folder_child(std::string_view folder, std::string_view name) {
  std::string r(file_scheme);
  r += folder;
  const char sep = native_fs::path_separator();
  if (r.empty() || r.back() != sep) r += sep;
  r += name;
  return r;
}

}  // namespace

app_state& app() {
  static app_state state;
  return state;
}

std::string profile_folder_path() {
  std::string_view url = app().profile_folder;
  if (url.starts_with(file_scheme)) url.remove_prefix(file_scheme.size());
  return std::string(url);
}

std::string installed_profile_folder(std::string_view app_data_path) {
  return folder_child(app_data_path, "Lumo Audio Player");
}

std::string portable_profile_folder(std::string_view application_folder) {
  return folder_child(application_folder, "lumo-configuration");
}

}  // namespace lumo
