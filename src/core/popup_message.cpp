#include "core/popup_message.h"

#include <atomic>
#include <string>

#include "core/debug_output.h"
#include "core/service_registry.h"

namespace lumo {

namespace {
constinit std::atomic<bool> g_quiet{false};
}

void popup_message::g_show(std::string_view message, std::string_view title, popup_icon icon) {
  if (g_quiet.load(std::memory_order_relaxed)) {
    debug_output(std::string(title) + ": " + std::string(message) + "\n");
    return;
  }
  get_single_service<popup_message>()->show(message, title, icon);
}

void set_popups_quiet(bool quiet) {
  g_quiet.store(quiet, std::memory_order_relaxed);
}

}  // namespace lumo
