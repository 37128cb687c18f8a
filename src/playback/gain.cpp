#include "playback/gain.h"

#include <algorithm>
#include <cmath>

namespace lumo {

double db_to_linear(double db) {
  if (std::isnan(db)) return 0.0;
  return std::clamp(std::pow(10.0, db * 0.05), 0.0, 1.0);
}

int32_t linear_to_hundredths_db(double gain) {
  if (!(gain > 0.0)) return -10000;
  double hundredths = 2000.0 * std::log10(gain);
  return static_cast<int32_t>(std::lround(std::clamp(hundredths, -10000.0, 0.0)));
}

void gain_ramp::start(double target, double duration, double now) {
  if (!(duration > 0.0)) {
    set_immediately(target);
    running_ = false;
    return;
  }
  start_gain_ = gain_;
  target_ = target;
  start_time_ = now;
  duration_ = duration;
  running_ = true;
}

double gain_ramp::gain_at(double t) const {
  if (!running_) return gain_;
  double elapsed = t - start_time_;
  if (elapsed >= duration_) return target_;
  if (elapsed <= 0.0) return start_gain_;
  return start_gain_ + (target_ - start_gain_) * (elapsed / duration_);
}

bool gain_ramp::advance(double now) {
  if (!running_) return false;
  if (now - start_time_ >= duration_) {
    gain_ = target_;
    running_ = false;
    return true;
  }
  gain_ = gain_at(now);
  return false;
}

void gain_ramp::set_immediately(double gain) {
  gain_ = gain;
  target_ = gain;
  running_ = false;
}

bool apply_gain_ramp(float* samples, uint32_t channels, uint64_t frames, gain_ramp& ramp,
                     uint64_t first_frame) {
  if (!ramp.is_running()) {
    float g = static_cast<float>(ramp.gain());
    if (g != 1.0f) {
      for (uint64_t i = 0, n = frames * channels; i < n; ++i) samples[i] *= g;
    }
    return false;
  }
  bool ended = false;
  for (uint64_t f = 0; f < frames; ++f) {
    // The frame plays at its own position; the ramp's end lands on a frame boundary.
    if (!ended && ramp.advance(static_cast<double>(first_frame + f))) ended = true;
    float g = static_cast<float>(ramp.gain());
    float* frame = samples + f * channels;
    for (uint32_t c = 0; c < channels; ++c) frame[c] *= g;
  }
  if (!ended) ended = ramp.advance(static_cast<double>(first_frame + frames));
  return ended;
}

}  // namespace lumo
