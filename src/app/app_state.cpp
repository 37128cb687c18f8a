#include "app/app_state.h"

#include "fs/file_system.h"

namespace lumo {

namespace {
constexpr std::string_view file_scheme = "file://";
}

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
  return local_url_in_folder(app_data_path, "Lumo Audio Player");
}

std::string portable_profile_folder(std::string_view application_folder) {
  return local_url_in_folder(application_folder, "lumo-configuration");
}

}  // namespace lumo
