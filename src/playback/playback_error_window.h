#pragma once
// The "Playback error" window: one modeless window, shown without taking the focus, that
// collects the playback thread's messages (rules in playback_error_rules.h). Main thread.
#include <cstdint>
#include <functional>
#include <string_view>

#include "core/modal_scope.h"

namespace lumo {

// Shows or adds one message, following the "Show error message popups" setting. Natively
// there is no window and only the rules run.
void show_playback_error(std::string_view message);

// The open window, or null.
window_handle playback_error_window();

// Tests replace the tick count (milliseconds); null restores the system's. Also forgets
// an earlier close.
void set_playback_error_clock(std::function<uint64_t()> now_ms);

}  // namespace lumo
