#pragma once
// What start-up learns about the process and the flags that steer its end. Written on
// the main thread during start-up and by the close request; read by other modules.

#include <atomic>
#include <string>

namespace lumo {

struct app_state {
  void* instance = nullptr;  // HINSTANCE on Windows
  bool quiet_mode = false;   // "/quiet": no windows, no message loop, no message boxes
  std::string executable_path;
  std::string application_folder;  // the executable path up to its last separator
  bool portable_configuration = false;
  bool portable_library = false;
  std::string profile_folder;  // "file://" + absolute folder path
  bool read_only_profile = false;

  // One-way flags.
  std::atomic<bool> exit_requested{false};
  std::atomic<bool> shutting_down{false};
  bool restart_requested = false;
  bool reset_requested = false;
};

app_state& app();

// The profile folder as a native path (the URL without "file://").
std::string profile_folder_path();

// The profile folder for an installed copy (the per-user application data folder) and
// for a portable one (beside the executable). Separators are added only where missing.
std::string installed_profile_folder(std::string_view app_data_path);
std::string portable_profile_folder(std::string_view application_folder);

// Portable markers: the executable path followed by these suffixes.
inline constexpr const char* portable_configuration_marker = ".localconfig.opt";
inline constexpr const char* portable_library_marker = ".locallibrary.opt";

}  // namespace lumo
