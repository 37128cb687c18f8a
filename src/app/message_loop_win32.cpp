#include <windows.h>
#include <windowsx.h>

#include <vector>

#include "app/app_services.h"
#include "app/message_loop.h"
#include "config/advanced_entries.h"
#include "core/internal_error.h"
#include "core/main_thread.h"
#include "core/service_registry.h"

namespace lumo {

namespace {

// Messages that arrive constantly and change nothing: they do not make an idle pass due.
bool is_idle_neutral(UINT msg) {
  return msg == WM_PAINT || msg == WM_NCMOUSEMOVE || msg == 0x118 /* WM_SYSTIMER */ ||
         msg == WM_MOUSEMOVE;
}

// With the option on, the wheel scrolls the window under the pointer, as long as it is
// one of ours.
class wheel_below_pointer_filter : public message_filter {
 public:
  bool filter(void* message) override {
    MSG* msg = static_cast<MSG*>(message);
    if (msg->message != WM_MOUSEWHEEL && msg->message != WM_MOUSEHWHEEL) return false;
    if (!advanced::mouse_wheel_below_pointer.get_state()) return false;
    DWORD pos = GetMessagePos();
    POINT pt{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
    HWND below = WindowFromPoint(pt);
    if (below && below != msg->hwnd &&
        GetWindowThreadProcessId(below, nullptr) == GetCurrentThreadId())
      msg->hwnd = below;
    return false;
  }
};

LUMO_REGISTER_SINGLETON_SERVICE(wheel_below_pointer_filter);

}  // namespace

int run_message_loop() {
  std::vector<service_ptr<idle_handler>> idle_handlers;
  for (service_ptr<idle_handler> h : enumerate_services<idle_handler>())
    idle_handlers.push_back(std::move(h));
  std::vector<service_ptr<message_filter>> filters;
  for (service_ptr<message_filter> f : enumerate_services<message_filter>())
    filters.push_back(std::move(f));

  bool idle_due = true;
  MSG msg;
  for (;;) {
    assert_main_thread();
    if (in_fatal_state()) internal_error_crash("message loop entered in a fatal state");
    if (idle_due && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      for (const auto& h : idle_handlers) h->on_idle();
      idle_due = false;
    }
    SetLastError(0);
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) throw kel::exception_win32(GetLastError());
    if (got == 0) return static_cast<int>(msg.wParam);
    bool consumed = false;
    for (const auto& f : filters) {
      if (f->filter(&msg)) {
        consumed = true;
        break;
      }
    }
    if (!consumed) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (!is_idle_neutral(msg.message)) idle_due = true;
  }
}

}  // namespace lumo
