#include "ui/engineless_playback.h"

#include <algorithm>

#include "core/debug_output.h"

namespace lumo {

void engineless_playback::play(std::vector<track_location> list, size_t start_index) {
  queue_ = std::move(list);
  current_ = std::min(start_index, queue_.size());
  paused_ = false;
  if (current_ < queue_.size())
    debug_output("Play (no playback engine): " + queue_[current_].path + "\n");
  changed();
}

void engineless_playback::stop() {
  current_ = queue_.size();
  paused_ = false;
  changed();
}

void engineless_playback::set_paused(bool paused) {
  if (!is_playing() || paused == paused_) return;
  paused_ = paused;
  changed();
}

void engineless_playback::set_volume_db(double db) {
  volume_db_ = std::clamp(db, -100.0, 0.0);
}

std::optional<track_location> engineless_playback::playing_track() const {
  if (!is_playing()) return std::nullopt;
  return queue_[current_];
}

void engineless_playback::step(int direction) {
  if (!is_playing()) return;
  if (direction < 0 && current_ == 0) return;
  current_ += size_t(direction < 0 ? -1 : 1);  // past the end means stopped
  if (current_ < queue_.size())
    debug_output("Play (no playback engine): " + queue_[current_].path + "\n");
  changed();
}

void engineless_playback::changed() {
  if (on_state_changed) on_state_changed();
}

}  // namespace lumo
