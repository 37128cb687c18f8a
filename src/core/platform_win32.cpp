// The Windows side of the core's small platform seam: debug output, thread identity and
// the internal-error crash.

#include <windows.h>

#include <cstdlib>
#include <string>

#include "core/debug_output.h"
#include "core/internal_error.h"
#include "core/thread_id.h"
#include "core/unicode.h"

namespace lumo {

void platform_debug_output(std::string_view text) {
  OutputDebugStringW(to_wide(text).c_str());
}

uint32_t current_thread_id() {
  return GetCurrentThreadId();
}

void internal_error_crash(std::string_view reason) {
  debug_output("Internal error: " + std::string(reason) + "\n");
  RaiseException(internal_error_code, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  // A handler that tries to continue gets EXCEPTION_NONCONTINUABLE_EXCEPTION; never here.
  std::abort();
}

}  // namespace lumo
