#include "core/modal_scope.h"

#include <windows.h>

namespace lumo {

void alert_modal_window(window_handle window) {
  HWND wnd = static_cast<HWND>(window);
  if (wnd && !IsWindowEnabled(wnd)) {
    // A disabled window is the owner of the prompt that is really open.
    if (HWND popup = GetWindow(wnd, GW_ENABLEDPOPUP)) wnd = popup;
  }
  if (wnd && IsWindow(wnd)) {
    SetForegroundWindow(wnd);
    SetActiveWindow(wnd);
    FLASHWINFO flash = {sizeof flash, wnd, FLASHW_ALL, 3, 0};
    FlashWindowEx(&flash);
  }
  MessageBeep(0);
}

}  // namespace lumo
