#include "core/internal_error.h"

#include <atomic>

namespace lumo {

namespace {
constinit std::atomic<bool> g_fatal{false};
}

void enter_fatal_state() {
  g_fatal.store(true, std::memory_order_release);
}
bool in_fatal_state() {
  return g_fatal.load(std::memory_order_acquire);
}

}  // namespace lumo
