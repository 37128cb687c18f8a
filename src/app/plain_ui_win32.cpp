// The user-interface module until the full main window exists: one plain window titled
// "Lumo Audio Player" that shows, hides, activates and closes like the real one.

#include <windows.h>

#include "app/app_services.h"
#include "app/close_request.h"
#include "config/config_vars.h"
#include "core/c_boundary.h"
#include "core/debug_output.h"
#include "core/service_registry.h"
#include "core/unicode.h"

namespace lumo {

namespace {

const wchar_t main_window_class[] = L"Lumo.MainWindow";

// Where the window was when the program last ended (its normal, unmaximised frame).
config_window_position g_placement{
    {0x3f8c2d71u, 0xa4e6, 0x4b90, {0x8e, 0x15, 0x62, 0xd7, 0x0b, 0xc9, 0x43, 0xfa}}};

LRESULT handle_main_window_message(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, &ps);
      FillRect(dc, &ps.rcPaint, GetSysColorBrush(COLOR_WINDOW));
      EndPaint(wnd, &ps);
      return 0;
    }
    case WM_CLOSE:
      // Shutdown destroys the window; closing only asks to end the program.
      app_close_request(close_mode::exit);
      return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

LRESULT CALLBACK main_window_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  return guard_c_boundary("the main window",
                          [&] { return handle_main_window_message(wnd, msg, wp, lp); });
}

class plain_user_interface : public user_interface_main {
 public:
  void initialize() override {
    HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = main_window_proc;
    wc.hInstance = module;
    wc.hIcon = LoadIconW(module, MAKEINTRESOURCEW(1));
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = main_window_class;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      throw kel::exception_win32(GetLastError());
  }

  void create_main_window(bool start_hidden) override {
    std::wstring title = to_wide("Lumo Audio Player");
    const window_position& p = g_placement.get();
    const bool remembered = p.x != window_position::use_default && p.width > 0 && p.height > 0;
    window_ = CreateWindowExW(0, main_window_class, title.c_str(), WS_OVERLAPPEDWINDOW,
                              remembered ? p.x : CW_USEDEFAULT, remembered ? p.y : CW_USEDEFAULT,
                              remembered ? p.width : 960, remembered ? p.height : 640, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window_) throw kel::exception_win32(GetLastError());
    if (!start_hidden) {
      ShowWindow(window_,
                 remembered && p.show_state == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
      UpdateWindow(window_);
    }
  }

  window_handle main_window() override { return window_; }

  void activate() override {
    if (!window_) return;
    ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window_);
  }

  void hide() override {
    if (window_) ShowWindow(window_, SW_HIDE);
  }

  void open_items(const std::vector<std::string>& urls) override {
    // Opening and playing belong to the full main window; until then the items are
    // only reported.
    for (const std::string& url : urls) debug_output("Open: " + url + "\n");
  }

  bool query_close() override { return true; }
  void shutdown_begins() override {
    // Read before the configuration is saved.
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    if (!window_ || !GetWindowPlacement(window_, &wp)) return;
    const RECT& r = wp.rcNormalPosition;
    g_placement.set({wp.showCmd == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL,
                     r.right - r.left, r.bottom - r.top, r.left, r.top});
  }

  void destroy_main_window() override {
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
  }

  void shutdown() override {
    destroy_main_window();
    UnregisterClassW(main_window_class, GetModuleHandleW(nullptr));
  }

 private:
  HWND window_ = nullptr;
};

LUMO_REGISTER_SINGLETON_SERVICE(plain_user_interface);

}  // namespace

}  // namespace lumo
