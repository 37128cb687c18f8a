#pragma once
// Windows only: the hidden window through which other threads wake the main thread.
// post_to_main_thread posts message 0x4B1 with two fixed parameters to it, and its
// procedure drains the callbacks queued at that moment. Start-up creates it after the
// registry is built and destroys it at shutdown; callbacks posted while it does not
// exist wait for the next drain.

#include <cstdint>

#include "core/modal_scope.h"

namespace lumo {

inline constexpr uint32_t dispatch_message = 0x4B1;  // WM_USER + 177
inline constexpr uint64_t dispatch_wparam = 0xE976E5FE;
inline constexpr int64_t dispatch_lparam = 0x3704AEC1;

// Main thread. Throws kel::exception_win32 when the window cannot be made.
void create_dispatch_window();
void destroy_dispatch_window();
window_handle dispatch_window();

// Media keys arrive at the dispatch window as shell-hook messages; once registered,
// each application-command code goes to the handler while the registry is ready.
using app_command_handler = void (*)(int app_command);
void set_app_command_handler(app_command_handler handler);
void register_dispatch_shell_hook();

}  // namespace lumo
