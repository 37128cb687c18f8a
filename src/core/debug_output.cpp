#include "core/debug_output.h"

#include <atomic>

namespace lumo {

namespace {
constinit std::atomic<debug_output_sink> g_sink{nullptr};
}

void debug_output(std::string_view text) {
  if (debug_output_sink sink = g_sink.load(std::memory_order_acquire))
    sink(text);
  else
    platform_debug_output(text);
}

void set_debug_output_sink(debug_output_sink sink) {
  g_sink.store(sink, std::memory_order_release);
}

}  // namespace lumo
