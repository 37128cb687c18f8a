// The media library's place in the program: created at start-up with what start-up
// learned (profile folder, portable-library marker), cleared at shutdown, and its two
// main-menu commands.
#include <array>

#include "app/app_state.h"
#include "app/main_menu_commands.h"
#include "app/startup_hooks.h"
#include "core/debug_output.h"
#include "core/exceptions.h"
#include "core/service_registry.h"
#include "library/media_library.h"

namespace lumo {

namespace {

constexpr std::array<guid, 2> k_library_command_ids = {{
    {0x3b8e51c2u, 0x7d04, 0x4e9a, {0x8f, 0x21, 0xc6, 0x5a, 0x90, 0x1e, 0x47, 0xd3}},
    {0x4c9f62d3u, 0x8e15, 0x4fab, {0x90, 0x32, 0xd7, 0x6b, 0xa1, 0x2f, 0x58, 0xe4}},
}};

// Index 0 "menu_monitor_folders" (checked while monitoring), index 1
// "menu_scan_folders" (offered only while not monitoring).
class library_menu_commands : public main_menu_commands {
 public:
  size_t command_count() const override { return k_library_command_ids.size(); }
  guid command_guid(size_t index) const override { return k_library_command_ids.at(index); }
  std::string command_label(size_t index) const override {
    return index == 0 ? "menu_monitor_folders" : "menu_scan_folders";
  }
  void execute(size_t index) override {
    media_library& library = media_library::get();
    if (index == 0) return library.toggle_monitoring();
    if (library.is_scan_offered()) library.scan_now();
  }
};

LUMO_REGISTER_SINGLETON_SERVICE(library_menu_commands);

void open_library() {
  const app_state& s = app();
  media_library_options options;
  options.profile_folder = profile_folder_path();
  options.application_folder = s.application_folder;
  options.portable_library = s.portable_library;
  options.quiet = s.quiet_mode;
  media_library& library = media_library::get();
  library.configure(std::move(options));
  // The window is built meanwhile; its first look at the library waits for the rest.
  library.begin_loading();
}

void close_library() {
  media_library::get().clear();
}

[[maybe_unused]] const bool g_hooks_installed = [] {
  app_startup_hooks().open_media_library = &open_library;
  app_startup_hooks().close_media_library = &close_library;
  return true;
}();

}  // namespace

}  // namespace lumo
