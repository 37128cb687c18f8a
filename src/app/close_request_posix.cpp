#include "app/close_request.h"

namespace lumo {

// There is no message loop to end; the flags app_close_request sets are the signal.
void platform_end_message_loop() {}

}  // namespace lumo
