// Natively there is no window: the messages reach the debug output from the engine.
#include "playback/playback_error_window.h"

namespace lumo {

void show_playback_error(std::string_view) {}

window_handle playback_error_window() {
  return nullptr;
}

void set_playback_error_clock(std::function<uint64_t()>) {}

}  // namespace lumo
