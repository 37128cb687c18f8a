#pragma once
// What the main window needs from playback: the transport, the volume, and what plays.

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "meta/track_location.h"
#include "playback/playback_engine.h"

namespace lumo {

class playback_port {
 public:
  virtual ~playback_port() = default;

  // Main thread, all of them.
  virtual void play(std::vector<track_location> list, size_t start_index) = 0;
  virtual void stop() = 0;
  virtual void toggle_pause() = 0;
  virtual void set_paused(bool paused) = 0;
  virtual void next() = 0;
  virtual void previous() = 0;
  // Relative seek within the playing track, in seconds (negative rewinds).
  virtual void seek_by(double seconds) = 0;
  virtual double volume_db() const = 0;  // 0 = full, down to -100
  virtual void set_volume_db(double db) = 0;

  virtual bool is_playing() const = 0;  // true while paused too
  virtual bool is_paused() const = 0;
  virtual std::optional<track_location> playing_track() const = 0;
  virtual double position_seconds() const = 0;

  // The play order. Without an engine the choices are kept for the next one.
  virtual repeat_mode repeat() const { return stored_repeat_mode(); }
  virtual void set_repeat(repeat_mode mode) { store_repeat_mode(mode); }
  virtual bool shuffle() const { return stored_shuffle(); }
  virtual void set_shuffle(bool on) { store_shuffle(on); }

  // Called on the main thread when playback starts, changes track, pauses or stops.
  std::function<void()> on_state_changed;
};

}  // namespace lumo
