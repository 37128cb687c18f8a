#pragma once
// The main window's playback port over the playback engine: what the window plays is
// heard, and its transport, volume and now-playing line follow the engine.
#include <memory>

#include "playback/playback_engine.h"
#include "ui/playback_port.h"

namespace lumo {

class engine_playback final : public playback_port {
 public:
  // factory: the output the engine plays to (the configured one when empty).
  explicit engine_playback(playback_engine::output_factory factory = {});
  ~engine_playback() override;

  void play(std::vector<track_location> list, size_t start_index) override;
  void stop() override { engine_.stop(); }
  void toggle_pause() override { engine_.toggle_pause(); }
  void set_paused(bool paused) override { engine_.set_paused(paused); }
  void next() override { engine_.next(); }
  void previous() override { engine_.previous(); }
  void seek_by(double seconds) override { engine_.seek_by(seconds); }
  double volume_db() const override { return engine_.volume_db(); }
  void set_volume_db(double db) override;
  bool is_playing() const override { return engine_.is_playing(); }
  bool is_paused() const override { return engine_.is_playing() && engine_.is_paused(); }
  std::optional<track_location> playing_track() const override;
  double position_seconds() const override { return engine_.position_seconds(); }
  repeat_mode repeat() const override { return engine_.repeat(); }
  void set_repeat(repeat_mode mode) override { engine_.set_repeat(mode); }
  bool shuffle() const override { return engine_.shuffle(); }
  void set_shuffle(bool on) override { engine_.set_shuffle(on); }

  playback_engine& engine() { return engine_; }
  // The program's one port (the newest made), or null. Main thread.
  static engine_playback* current();

 private:
  void changed();
  playback_engine engine_;
  int volume_listener_ = -1;
};

}  // namespace lumo
