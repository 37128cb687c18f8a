#pragma once
// The playback port while no playback engine is connected: it keeps the queue, the
// current entry and the pause state, so the window's controls and now-playing area
// behave, but it makes no sound and its position stays at zero.

#include "ui/playback_port.h"

namespace lumo {

class engineless_playback final : public playback_port {
 public:
  void play(std::vector<track_location> list, size_t start_index) override;
  void stop() override;
  void toggle_pause() override { set_paused(!paused_); }
  void set_paused(bool paused) override;
  void next() override { step(1); }
  void previous() override { step(-1); }
  void seek_by(double) override {}
  double volume_db() const override { return volume_db_; }
  void set_volume_db(double db) override;
  bool is_playing() const override { return current_ < queue_.size(); }
  bool is_paused() const override { return is_playing() && paused_; }
  std::optional<track_location> playing_track() const override;
  double position_seconds() const override { return 0; }

 private:
  void step(int direction);
  void changed();

  std::vector<track_location> queue_;
  size_t current_ = 0;  // queue_.size() when stopped
  bool paused_ = false;
  double volume_db_ = 0;
};

}  // namespace lumo
