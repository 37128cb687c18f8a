#pragma once
// Gains and the linear gain ramps behind every volume change and fade.

#include <cstdint>

namespace lumo {

// 10^(dB * 0.05), clamped to 0.0 .. 1.0.
double db_to_linear(double db);
// A linear gain as DirectSound's volume control reads it: hundredths of a decibel,
// -10000 (silence) .. 0.
int32_t linear_to_hundredths_db(double gain);

// A ramp from the gain at its start to a target over a duration, on whatever clock the
// owner uses (seconds of wall time for devices, frames for the render output). A zero
// duration is an immediate change. Allocates nothing.
class gain_ramp {
 public:
  explicit gain_ramp(double initial_gain = 1.0) : gain_(initial_gain), target_(initial_gain) {}

  // Starts a ramp from the current gain at time now.
  void start(double target, double duration, double now);
  // Moves to time now; returns true when a running ramp ended at this step (the gain is
  // then exactly the target).
  bool advance(double now);
  // The gain at time t without moving the ramp (t at or after the last advance).
  double gain_at(double t) const;
  void set_immediately(double gain);

  double gain() const { return gain_; }
  // When a running ramp reaches its target.
  double end_time() const { return start_time_ + duration_; }
  double target() const { return target_; }
  bool is_running() const { return running_; }

 private:
  double gain_;
  double start_gain_ = 0;
  double target_;
  double start_time_ = 0;
  double duration_ = 0;
  bool running_ = false;
};

// Multiplies frames of interleaved samples by the ramp's gain, frame by frame, on a clock
// counted in frames starting at first_frame; the ramp advances to the end of the span.
// Returns true when a running ramp ended inside the span.
bool apply_gain_ramp(float* samples, uint32_t channels, uint64_t frames, gain_ramp& ramp,
                     uint64_t first_frame);

}  // namespace lumo
