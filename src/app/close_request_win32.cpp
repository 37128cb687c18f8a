#include <windows.h>

#include "app/app_services.h"
#include "app/close_request.h"
#include "core/modal_scope.h"
#include "core/unicode.h"

namespace lumo {

bool platform_close_prompt(std::string_view caption, std::string_view text) {
  auto ui = current_user_interface();
  HWND owner = ui ? static_cast<HWND>(ui->main_window()) : nullptr;
  modal_scope scope(owner);
  return MessageBoxW(owner, to_wide(text).c_str(), to_wide(caption).c_str(),
                     MB_YESNO | MB_ICONINFORMATION) == IDYES;
}

void platform_end_message_loop() {
  auto ui = current_user_interface();
  HWND main = ui ? static_cast<HWND>(ui->main_window()) : nullptr;
  if (main)
    PostMessageW(main, WM_QUIT, 0, 0);
  else
    PostQuitMessage(0);
}

}  // namespace lumo
