// The POSIX side of the core's small platform seam: debug output, thread identity and
// the internal-error crash.

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/debug_output.h"
#include "core/internal_error.h"
#include "core/thread_id.h"

namespace lumo {

void platform_debug_output(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

uint32_t current_thread_id() {
  // A small number per thread, never 0 (0 means "no main thread recorded").
  static constinit std::atomic<uint32_t> next{1};
  thread_local uint32_t id = next.fetch_add(1, std::memory_order_relaxed);
  return id;
}

void internal_error_crash(std::string_view reason) {
  std::string text = "Internal error (code 0xAA67913C): " + std::string(reason) + "\n";
  debug_output(text);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::abort();
}

}  // namespace lumo
