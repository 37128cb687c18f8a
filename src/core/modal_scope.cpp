#include "core/modal_scope.h"

#include "core/debug_output.h"
#include "core/main_thread.h"

namespace lumo {

namespace {
// Main thread only.
window_handle g_modal_window = nullptr;
bool g_modal = false;
}  // namespace

modal_scope::modal_scope(window_handle window) {
  if (!is_main_thread()) {
    debug_output("This function can be called only from main thread.\n");
    return;
  }
  active_ = true;
  saved_window_ = g_modal_window;
  saved_flag_ = g_modal;
  g_modal_window = window;
  g_modal = true;
}

modal_scope::~modal_scope() {
  if (!active_) return;
  g_modal_window = saved_window_;
  g_modal = saved_flag_;
}

void modal_scope::set_window(window_handle window) {
  if (active_) g_modal_window = window;
}

bool can_prompt() {
  return is_main_thread() && !g_modal;
}

bool check_can_prompt() {
  if (can_prompt()) return true;
  if (is_main_thread()) alert_modal_window(g_modal_window);
  return false;
}

window_handle modal_window() {
  return is_main_thread() ? g_modal_window : nullptr;
}

}  // namespace lumo
