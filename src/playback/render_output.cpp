#include "playback/render_output.h"

#include <algorithm>
#include <cmath>

#include "playback/playback_settings.h"
#include "playback/sample_convert.h"

namespace lumo {
namespace {

constexpr double volume_ramp_seconds = 0.05;
constexpr double update_seconds = 0.01;  // what one update plays, like one worker pass
constexpr uint64_t scratch_frames = 4096;

}  // namespace

render_output::render_output(std::unique_ptr<render_sink> sink) : sink_(std::move(sink)) {}

render_output::~render_output() {
  try {
    close();
  } catch (...) {
    // A destructor cannot report; close() explicitly to see a failed file.
  }
}

uint64_t render_output::seconds_to_frames(double seconds) const {
  return static_cast<uint64_t>(std::llround(seconds * spec_.sample_rate));
}

void render_output::set_format(const output_spec& spec) {
  validate_output_spec(spec);
  if (open_) play_all();
  bool same = open_ && spec_.same_format(spec);
  if (sink_open_ && !same) {
    sink_open_ = false;
    sink_->end();
  }
  spec_ = spec;
  capacity_ = std::max<uint64_t>(1, seconds_to_frames(spec.buffer_seconds));
  fifo_.assign(capacity_ * spec.channels, 0.0f);
  scratch_.assign(scratch_frames * spec.channels, 0.0f);
  bytes_.assign(scratch_frames * spec.bytes_per_frame(), 0);
  head_ = count_ = 0;
  open_ = true;
  if (!sink_open_) {
    sink_->begin(spec);
    sink_open_ = true;
  }
  if (fade_in_pending_) {
    ramp_.set_immediately(0.0);
  } else if (!pause_requested_) {
    ramp_.set_immediately(volume_gain_);
  }
}

uint32_t render_output::free_frames() {
  if (!open_) return 0;
  // A playing device makes room by playing; a paused one cannot.
  uint64_t room = paused_ ? capacity_ - count_ : capacity_;
  return static_cast<uint32_t>(std::min<uint64_t>(room, UINT32_MAX));
}

uint32_t render_output::write(const float* samples, uint32_t frames) {
  uint32_t ch = spec_.channels;
  uint32_t done = 0;
  // A block longer than the buffer plays its own start while the rest goes in.
  while (done < frames) {
    uint64_t n = std::min<uint64_t>(frames - done, free_frames());
    if (n == 0) break;
    if (count_ + n > capacity_) play(count_ + n - capacity_);
    if (count_ + n > capacity_) break;  // a pause fade ended while making room
    for (uint64_t copied = 0; copied < n;) {
      uint64_t tail = (head_ + count_) % capacity_;
      uint64_t run = std::min<uint64_t>(n - copied, capacity_ - tail);
      std::copy_n(samples + (size_t{done} + copied) * ch, run * ch, fifo_.data() + tail * ch);
      count_ += run;
      copied += run;
    }
    done += static_cast<uint32_t>(n);
  }
  return done;
}

double render_output::latency_seconds() {
  return open_ ? static_cast<double>(count_) / spec_.sample_rate : 0.0;
}

void render_output::update() {
  if (!open_ || paused_) return;
  play(std::min(count_, std::max<uint64_t>(1, seconds_to_frames(update_seconds))));
}

void render_output::start_ramp(double target, double seconds, ramp_kind kind) {
  ramp_.start(target, static_cast<double>(seconds_to_frames(seconds)),
              static_cast<double>(played_));
  ramp_kind_ = kind;
  if (!ramp_.is_running() && kind == ramp_kind::pause) paused_ = true;
}

void render_output::set_volume(double volume_db) {
  volume_gain_ = db_to_linear(volume_db);
  if (pause_requested_ || fade_in_pending_ || !open_) {
    if (!open_ && !pause_requested_ && !fade_in_pending_) ramp_.set_immediately(volume_gain_);
    return;
  }
  start_ramp(volume_gain_, volume_ramp_seconds,
             ramp_.is_running() && ramp_kind_ == ramp_kind::resume ? ramp_kind::resume
                                                                   : ramp_kind::volume);
}

void render_output::pause(bool paused) {
  if (paused == pause_requested_) return;
  pause_requested_ = paused;
  double fade = fade_length_seconds(fade_kind::pause);
  if (paused) {
    if (count_ == 0) {
      paused_ = true;
      ramp_.set_immediately(0.0);
      return;
    }
    start_ramp(0.0, fade, ramp_kind::pause);
    return;
  }
  paused_ = false;
  if (fade_in_pending_) return;
  start_ramp(volume_gain_, fade, ramp_kind::resume);
}

void render_output::play(uint64_t frames) {
  uint32_t ch = spec_.channels;
  device_sample_format format{spec_.bits_per_sample, spec_.is_float};
  while (frames > 0 && count_ > 0 && !paused_) {
    if (fade_in_pending_) {
      // The fade-in after a flush starts with the first new audio that plays.
      fade_in_pending_ = false;
      ramp_.set_immediately(0.0);
      start_ramp(volume_gain_, fade_length_seconds(fade_kind::seek), ramp_kind::volume);
    }
    uint64_t run = std::min({frames, count_, capacity_ - head_, scratch_frames});
    if (ramp_.is_running() && ramp_kind_ == ramp_kind::pause) {
      // Stop where the pause fade ends: what follows stays buffered for the resume.
      double left = std::ceil(ramp_.end_time() - static_cast<double>(played_));
      run = std::min<uint64_t>(run, static_cast<uint64_t>(std::max(left, 1.0)));
    }
    const float* source = fifo_.data() + head_ * ch;
    bool ended = false;
    // At unity gain the buffered samples go out as they are: a float stream then reaches
    // the sink without a copy.
    if (ramp_.is_running() || ramp_.gain() != 1.0) {
      std::copy_n(source, run * ch, scratch_.data());
      ended = apply_gain_ramp(scratch_.data(), ch, run, ramp_, played_);
      source = scratch_.data();
    }
    if (format.is_float) {
      sink_->write(reinterpret_cast<const uint8_t*>(source), run * spec_.bytes_per_frame());
    } else {
      convert_samples(source, run * ch, format, bytes_.data());
      sink_->write(bytes_.data(), run * spec_.bytes_per_frame());
    }
    head_ = (head_ + run) % capacity_;
    count_ -= run;
    frames -= run;
    played_ += run;
    if (ended && ramp_kind_ == ramp_kind::pause) paused_ = true;
  }
}

void render_output::play_all() {
  if (paused_) {
    // Audio held by a paused device is never heard; a new format starts afresh.
    head_ = count_ = 0;
    return;
  }
  play(count_);
}

void render_output::fade_out_and_drop(double fade_seconds) {
  if (!paused_ && count_ > 0) {
    uint64_t fade_frames = seconds_to_frames(fade_seconds);
    if (fade_frames > 0) {
      ramp_.start(0.0, static_cast<double>(fade_frames), static_cast<double>(played_));
      ramp_kind_ = ramp_kind::end;
      play(std::min(fade_frames, count_));
    }
  }
  head_ = count_ = 0;
}

void render_output::flush() {
  if (!open_) return;
  fade_out_and_drop(fade_length_seconds(fade_kind::seek));
  fade_in_pending_ = true;
  ramp_.set_immediately(0.0);
  if (pause_requested_) paused_ = true;
}

void render_output::close() {
  if (!open_) return;
  fade_out_and_drop(fade_length_seconds(fade_kind::stop));
  open_ = false;
  fade_in_pending_ = false;
  pause_requested_ = paused_ = false;
  ramp_.set_immediately(volume_gain_);
  if (sink_open_) {
    sink_open_ = false;
    sink_->end();
  }
}

}  // namespace lumo
