#include "core/dispatch_window.h"

#include <windows.h>

#include <atomic>
#include <string>

#include "core/c_boundary.h"
#include "core/debug_output.h"
#include "core/exceptions.h"
#include "core/internal_error.h"
#include "core/main_thread.h"
#include "core/service_registry.h"

namespace lumo {

namespace {

constexpr wchar_t dispatch_class[] = L"{53229DFC-A273-45cd-A3A4-161FA9FC6414}";

// Written on the main thread; read by posting threads.
constinit std::atomic<HWND> g_window{nullptr};
// Main thread only.
UINT g_shell_hook_message = 0;
bool g_shell_hook_registered = false;
app_command_handler g_app_command = nullptr;

void post_dispatch_message() {
  if (HWND wnd = g_window.load(std::memory_order_acquire))
    PostMessageW(wnd, dispatch_message, static_cast<WPARAM>(dispatch_wparam),
                 static_cast<LPARAM>(dispatch_lparam));
}

LRESULT handle_dispatch_message(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == dispatch_message) {
    // Anyone can send 0x4B1; only our own wake-up carries both magic values.
    if (wp != static_cast<WPARAM>(dispatch_wparam) || lp != static_cast<LPARAM>(dispatch_lparam))
      return DefWindowProcW(wnd, msg, wp, lp);
    assert_main_thread();
    if (in_fatal_state()) internal_error_crash("callbacks dispatched in a fatal state");
    run_pending(drain::queued_at_start);
    return 0;
  }
  if (msg != 0 && msg == g_shell_hook_message && (wp & 0x7FFF) == HSHELL_APPCOMMAND) {
    if (g_app_command && services().is_ready()) g_app_command(GET_APPCOMMAND_LPARAM(lp));
    return 0;
  }
  if (msg == WM_DESTROY && g_shell_hook_registered) {
    DeregisterShellHookWindow(wnd);
    g_shell_hook_registered = false;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

// A main-thread callback that lets an error escape is a bug.
LRESULT CALLBACK dispatch_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  return guard_c_boundary("a main-thread callback",
                          [&] { return handle_dispatch_message(wnd, msg, wp, lp); });
}

}  // namespace

void create_dispatch_window() {
  assert_main_thread();
  if (g_window.load()) return;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = dispatch_proc;
  wc.hInstance = instance;
  wc.lpszClassName = dispatch_class;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw kel::exception_win32(GetLastError());
  // A plain hidden top-level window, not a message-only one: shell hooks need it.
  HWND wnd = CreateWindowExW(0, dispatch_class, L"uninteresting", 0, 0, 0, 0, 0, nullptr, nullptr,
                             instance, nullptr);
  if (!wnd) throw kel::exception_win32(GetLastError());
  g_window.store(wnd, std::memory_order_release);
  set_main_thread_waker(post_dispatch_message);
  // Callbacks posted before the window existed run at the first dispatch.
  if (pending_callback_count() > 0) post_dispatch_message();
}

void destroy_dispatch_window() {
  assert_main_thread();
  HWND wnd = g_window.exchange(nullptr);
  if (!wnd) return;
  set_main_thread_waker(nullptr);
  DestroyWindow(wnd);
  UnregisterClassW(dispatch_class, GetModuleHandleW(nullptr));
}

window_handle dispatch_window() {
  return g_window.load();
}

void set_app_command_handler(app_command_handler handler) {
  assert_main_thread();
  g_app_command = handler;
}

void register_dispatch_shell_hook() {
  assert_main_thread();
  HWND wnd = g_window.load();
  if (!wnd || g_shell_hook_registered) return;
  g_shell_hook_message = RegisterWindowMessageW(L"SHELLHOOK");
  g_shell_hook_registered = RegisterShellHookWindow(wnd) != FALSE;
}

}  // namespace lumo
