#include <windows.h>

#include <commctrl.h>
#include <float.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/app_services.h"
#include "app/app_state.h"
#include "app/command_line.h"
#include "app/command_line_processing.h"
#include "app/crash_handler.h"
#include "app/instance.h"
#include "app/message_loop.h"
#include "app/startup.h"
#include "app/startup_hooks.h"
#include "config/config_dat_store.h"
#include "core/c_boundary.h"
#include "core/config_store.h"
#include "core/debug_output.h"
#include "core/dispatch_window.h"
#include "core/exceptions.h"
#include "core/handle_win32.h"
#include "core/internal_error.h"
#include "core/main_thread.h"
#include "core/popup_message.h"
#include "core/service_registry.h"
#include "core/unicode.h"
#include "fs/file_system.h"
#include "fs/native_fs.h"
#include "i18n/language_loader.h"
#include "i18n/language_table.h"

namespace lumo {

namespace {

unique_handle g_profile_lock;
bool g_ole_initialized = false;
bool g_main_window_created = false;

std::string executable_path() {
  std::wstring buffer(256, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) internal_error_crash("GetModuleFileNameW failed");
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  // Already absolute unless the loader gave a relative or non-canonical form.
  return native_fs::canonical_path(from_wide(buffer));
}

bool file_exists(const std::string& path) {
  return GetFileAttributesW(to_wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> app_data_folder() {
  wchar_t path[MAX_PATH];
  if (SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, path) == S_OK) return from_wide(path);
  DWORD size = GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
  if (size == 0) return std::nullopt;
  std::wstring value(size, L'\0');
  size = GetEnvironmentVariableW(L"APPDATA", value.data(), size);
  if (size == 0) return std::nullopt;
  value.resize(size);
  return from_wide(value);
}

void choose_profile_folder(app_state& s) {
  std::optional<std::string> app_data;
  if (!s.portable_configuration) app_data = app_data_folder();
  s.profile_folder = app_data ? installed_profile_folder(*app_data)
                              : portable_profile_folder(s.application_folder);
  try {
    const file_system& fs = find_file_system(s.profile_folder);
    if (!fs.directory_exists(s.profile_folder)) fs.create_directory(s.profile_folder);
  } catch (const std::exception&) {
    throw kel::exception_messagebox("Could not create profile directory");
  }
  DWORD attributes = GetFileAttributesW(to_wide(profile_folder_path()).c_str());
  s.read_only_profile =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

void lock_profile() {
  std::string lock = profile_folder_path();
  if (lock.empty() || lock.back() != '\\') lock += '\\';
  lock += "running";
  g_profile_lock = unique_handle(CreateFileW(to_wide(lock).c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!g_profile_lock.is_valid())
    throw kel::exception_messagebox("Could not access profile folder");
}

void start_user_interface(app_state& s, bool start_hidden) {
  if (services().factories_of(user_interface::class_guid).empty())
    throw kel::exception_messagebox("No user interface modules installed");
  service_ptr<user_interface> module = *enumerate_services<user_interface>().begin();
  service_ptr<user_interface_main> ui = query<user_interface_main>(module);
  ui->initialize();
  set_current_user_interface(ui);

  if (auto open = app_startup_hooks().open_media_library) open();

  if (s.exit_requested || s.quiet_mode) return;
  try {
    ui->create_main_window(start_hidden);
  } catch (const kel::exception_messagebox&) {
    throw;
  } catch (const std::exception&) {
    throw kel::exception_messagebox("Failed to initialize user interface, exiting.");
  }
  g_main_window_created = true;
}

void save_configuration(const app_state& s) {
  if (s.read_only_profile) return;
  for (service_ptr<config_store> store : enumerate_services<config_store>()) {
    try {
      store->save(s.reset_requested);
    } catch (const std::exception& e) {
      // The program is ending either way; the user must still learn the settings are lost.
      debug_output(std::string("Could not save the configuration: ") + e.what() + "\n");
      if (!s.quiet_mode)
        popup_message::g_show(kel::error_text(e), "Could not save the configuration",
                              popup_icon::error);
    }
  }
}

void shut_down(app_state& s, bool loop_ran) {
  s.shutting_down = true;
  service_ptr<user_interface_main> ui = current_user_interface();
  if (ui) ui->shutdown_begins();
  if (loop_ran) save_configuration(s);
  for (service_ptr<lifecycle_listener> l : enumerate_services<lifecycle_listener>()) l->on_quit();
  if (ui && g_main_window_created) ui->destroy_main_window();
  run_pending(drain::until_empty);
  if (auto close = app_startup_hooks().close_media_library) close();
  if (ui) ui->shutdown();
  ui.reset();
  set_current_user_interface(nullptr);
  if (auto stop = app_startup_hooks().shut_down_playback) stop();
  run_pending(drain::until_empty);
  run_pending(drain::until_empty);
  destroy_dispatch_window();
  services().clear();
  release_instance_window();
  if (g_ole_initialized) OleUninitialize();
  g_ole_initialized = false;
  if (s.restart_requested)
    ShellExecuteW(nullptr, nullptr, to_wide(s.executable_path).c_str(), nullptr, nullptr, SW_SHOW);
}

int start_up(void* instance) {
  app_state& s = app();
  s.instance = instance;
  const std::string command_line = from_wide(GetCommandLineW());
  const std::vector<std::string> args = split_command_line(command_line);

  if (FAILED(OleInitialize(nullptr))) throw std::runtime_error("OleInitialize() failure");
  g_ole_initialized = true;
  s.quiet_mode = has_startup_switch(args, "quiet");
  set_popups_quiet(s.quiet_mode);

  s.executable_path = executable_path();
  size_t cut = s.executable_path.find_last_of("\\/");
  s.application_folder =
      cut == std::string::npos ? std::string() : s.executable_path.substr(0, cut + 1);
  s.portable_configuration = file_exists(s.executable_path + portable_configuration_marker);
  s.portable_library = file_exists(s.executable_path + portable_library_marker);

  choose_profile_folder(s);
  install_crash_handler(profile_folder_path(), s.read_only_profile);
  load_language(static_cast<uint16_t>(startup_language_id(args).value_or(0)),
                profile_folder_path());
  debug_output("Language: " + active_language_table()->name + "\n");

  if (!claim_instance(instance_key(s.profile_folder)))
    throw kel::exception_shutdownrequest("Another instance is already running");
  if (!s.read_only_profile) lock_profile();

  InitCommonControls();
  configure_config_dat_store({profile_folder_path(), s.read_only_profile,
                              s.quiet_mode ? prompt_mode::quiet : prompt_mode::ask});
  build_services();
  create_dispatch_window();
  start_user_interface(s, has_startup_switch(args, "hide"));

  process_command_line(command_line, native_fs::current_directory());
  for (service_ptr<lifecycle_listener> l : enumerate_services<lifecycle_listener>()) l->on_start();
  SetCurrentDirectoryW(to_wide(s.application_folder).c_str());

  int exit_code = 0;
  if (!s.quiet_mode) exit_code = run_message_loop();
  shut_down(s, !s.quiet_mode);
  return exit_code;
}

// The two documented handler levels around start-up; what they let through is fatal.
int run_start_up_levels(void* instance) {
  SetErrorMode(SEM_FAILCRITICALERRORS);
  unsigned int control = 0;
  if (_controlfp_s(&control, _DN_FLUSH | _RC_NEAR, _MCW_DN | _MCW_RC) != 0)
    throw std::runtime_error("controlfp failed");

  try {
    int result;
    try {
      result = start_up(instance);
    } catch (const kel::exception_installdamaged&) {
      // Abandoned, not closed: the "running" file stays until the process has ended,
      // whatever the unwinding below does.
      g_profile_lock.abandon();
      throw;
    } catch (const kel::exception_win32& e) {
      if (e.code() == ERROR_NOT_ENOUGH_MEMORY || e.code() == ERROR_OUTOFMEMORY)
        throw kel::exception_out_of_resources();
      throw;
    }
    debug_output("Terminated normally.\n");
    return result;
  } catch (const kel::exception_shutdownrequest& e) {
    debug_output(std::string("Exiting (") + e.what() + ")\n");
    return 0;
  } catch (const kel::exception_messagebox& e) {
    debug_output(std::string("Initialization failure : ") + e.what() + "\n");
    if (!app().quiet_mode)
      MessageBoxW(nullptr, to_wide(e.what()).c_str(), L"Lumo encountered an error", MB_ICONERROR);
    return -1;
  }
}

}  // namespace

// Every other failure ends through the crash handler (a failure dump, exit code 0), never
// through std::terminate.
int run_lumo(void* instance) {
  return guard_c_boundary("start-up", [instance] { return run_start_up_levels(instance); });
}

}  // namespace lumo
