#include "app/close_request.h"

namespace lumo {

// Without a window system there is nobody to ask: running tasks keep the program open.
bool platform_close_prompt(std::string_view, std::string_view) {
  return false;
}

// There is no message loop to end; the flags app_close_request sets are the signal.
void platform_end_message_loop() {}

}  // namespace lumo
