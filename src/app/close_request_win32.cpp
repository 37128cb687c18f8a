#include <windows.h>

#include "app/app_services.h"
#include "app/close_request.h"

namespace lumo {

void platform_end_message_loop() {
  auto ui = current_user_interface();
  HWND main = ui ? static_cast<HWND>(ui->main_window()) : nullptr;
  if (main)
    PostMessageW(main, WM_QUIT, 0, 0);
  else
    PostQuitMessage(0);
}

}  // namespace lumo
