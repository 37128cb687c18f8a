#include "playback/ring_stream.h"

#include <string>

#include "core/debug_output.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace lumo {
namespace {

constexpr double extra_ring_seconds = 0.2;
constexpr double staging_seconds = 0.25;
constexpr double silence_guard_seconds = 1.0 / 15.0;
// A device may still hold audio its play cursor has passed (Wine's mixer reads some
// 0.15 s ahead of what is heard) and drop it when the buffer stops: when the audio runs
// out, this much silence plays before the stream may stop or end.
constexpr double end_tail_seconds = 0.2;

}  // namespace

uint32_t ring_stream::ring_size_bytes(const output_spec& spec) {
  double frames = std::ceil((spec.buffer_seconds + extra_ring_seconds) * spec.sample_rate);
  return static_cast<uint32_t>(frames) * spec.bytes_per_frame();
}

uint32_t ring_stream::frames_to_bytes(double seconds) const {
  return static_cast<uint32_t>(std::ceil(seconds * spec_.sample_rate)) * frame_bytes_;
}

ring_stream::ring_stream(const output_spec& spec, std::unique_ptr<ring_device> device,
                         ring_platform& platform, double gain, double fade_in_seconds, bool paused)
    : spec_(spec),
      format_{spec.bits_per_sample, spec.is_float},
      frame_bytes_(spec.bytes_per_frame()),
      device_(std::move(device)),
      platform_(platform),
      size_(device_->size_bytes()),
      ramp_(fade_in_seconds > 0 ? 0.0 : gain),
      volume_gain_(gain),
      fade_in_seconds_(fade_in_seconds) {
  target_fill_ = frames_to_bytes(spec.buffer_seconds);
  min_lead_ = frames_to_bytes(std::min(spec.buffer_seconds * 0.125, 0.05));
  guard_ = frames_to_bytes(silence_guard_seconds);
  // min(buffer length * 0.5, 1 s) is derived alongside these in the original design of
  // the ring; here the staging size and the target fill already bound every copy, so
  // it has no role.
  staging_.resize(frames_to_bytes(staging_seconds));
  device_->write_silence(0, size_);
  device_->set_play_position(0);
  if (paused) {
    pause_requested_ = true;
    paused_ = true;
  }
}

ring_stream::~ring_stream() {
  drop_timer();
}

uint32_t ring_stream::free_frames() const {
  if (ending_ || ended_) return 0;
  return static_cast<uint32_t>((staging_.size() - queued_) / frame_bytes_);
}

uint32_t ring_stream::write(const float* samples, uint32_t frames) {
  uint32_t n = std::min(frames, free_frames());
  uint32_t size = static_cast<uint32_t>(staging_.size());
  uint32_t tail = (queue_head_ + queued_) % size;
  uint32_t first = std::min(n, (size - tail) / frame_bytes_);
  convert_samples(samples, size_t{first} * spec_.channels, format_, staging_.data() + tail);
  convert_samples(samples + size_t{first} * spec_.channels, size_t{n - first} * spec_.channels,
                  format_, staging_.data());
  queued_ += n * frame_bytes_;
  return n;
}

double ring_stream::latency_seconds() const {
  if (tail_ && queued_ == 0) return 0.0;  // only the silent tail is left
  double bytes = static_cast<double>(std::max<int64_t>(buffered_, 0)) + queued_;
  return bytes / (static_cast<double>(frame_bytes_) * spec_.sample_rate);
}

void ring_stream::start_ramp(double target, double seconds, ramp_kind kind) {
  ramp_.start(target, seconds, platform_.now_seconds());
  ramp_kind_ = kind;
  if (ramp_.is_running()) return;
  // A zero-length fade is an immediate change.
  if (kind == ramp_kind::pause) paused_ = true;
  if (kind == ramp_kind::end) ended_ = true;
}

void ring_stream::set_gain(double gain, double ramp_seconds) {
  volume_gain_ = gain;
  // A fade in progress (or a paused or ending stream) reaches the new gain through the
  // resume or fade-in ramp instead.
  if (ending_ || pause_requested_ || fade_in_seconds_ > 0) return;
  start_ramp(gain, ramp_seconds,
             ramp_.is_running() && ramp_kind_ == ramp_kind::resume ? ramp_kind::resume
                                                                   : ramp_kind::volume);
}

void ring_stream::set_paused(bool paused, double fade_seconds) {
  if (paused == pause_requested_ || ending_ || ended_) return;
  pause_requested_ = paused;
  if (paused) {
    if (idle_) {
      paused_ = true;
      return;
    }
    start_ramp(0.0, fade_seconds, ramp_kind::pause);
    return;
  }
  if (paused_) {
    paused_ = false;
    if (fade_in_seconds_ > 0) return;  // the fade-in starts with playback
    ramp_.set_immediately(0.0);
  }
  if (idle_ && fade_in_seconds_ <= 0) {
    ramp_.set_immediately(volume_gain_);
    return;
  }
  start_ramp(volume_gain_, fade_seconds, ramp_kind::resume);
}

void ring_stream::fade_out_and_end(double fade_seconds) {
  if (ending_ || ended_) return;
  ending_ = true;
  queued_ = 0;
  if (paused_ || idle_) {
    ended_ = true;
    return;
  }
  if (tail_) return;  // silence is left: it plays out, then the stream ends
  start_ramp(0.0, fade_seconds, ramp_kind::end);
}

void ring_stream::end_when_played() {
  end_when_played_ = true;
}

void ring_stream::check_error() const {
  if (error_) std::rethrow_exception(error_);
}

void ring_stream::hold_timer() {
  if (!timer_period_) timer_period_ = platform_.begin_timer_period();
}

void ring_stream::drop_timer() {
  if (timer_period_) platform_.end_timer_period(std::exchange(timer_period_, 0));
}

bool ring_stream::service() {
  if (!ended_) {
    try {
      pass();
    } catch (...) {
      error_ = std::current_exception();
      ended_ = true;
    }
  }
  if (!ended_) return true;
  try {
    device_->stop();
  } catch (...) {
    // The stream is over either way; a failure to stop a dead device changes nothing.
  }
  drop_timer();
  return false;
}

void ring_stream::go_idle() {
  device_->stop();
  drop_timer();
  device_->set_play_position(0);
  device_->write_silence(0, size_);
  write_pos_ = 0;
  buffered_ = 0;
  last_cursor_ = 0;
  idle_ = true;
}

void ring_stream::copy_to_ring(uint32_t count) {
  uint32_t size = static_cast<uint32_t>(staging_.size());
  uint32_t first = std::min(count, size - queue_head_);
  device_->write(write_pos_, staging_.data() + queue_head_, first);
  if (count > first) device_->write((write_pos_ + first) % size_, staging_.data(), count - first);
  queue_head_ = (queue_head_ + count) % size;
  queued_ -= count;
  write_pos_ = (write_pos_ + count) % size_;
  buffered_ += count;
}

void ring_stream::pass() {
  ring_status status = device_->status();
  if (status.is_lost) {
    device_->restore();
    status = device_->status();
  }

  if (!paused_ && !idle_ && !status.is_playing) {
    if (fade_in_seconds_ > 0) {
      ramp_.set_immediately(0.0);
      start_ramp(volume_gain_, std::exchange(fade_in_seconds_, 0.0), ramp_kind::volume);
    }
    int32_t volume = linear_to_hundredths_db(ramp_.gain());
    if (volume != applied_volume_) device_->set_volume(applied_volume_ = volume);
    device_->play_looping();
    hold_timer();
    status.is_playing = true;
  }

  uint32_t cursor = device_->play_cursor();
  if (status.is_playing) {
    uint32_t advanced = (cursor + size_ - last_cursor_) % size_;
    seconds_played_ +=
        static_cast<double>(advanced) / (static_cast<double>(frame_bytes_) * spec_.sample_rate);
  }
  last_cursor_ = cursor;
  int64_t buffered = (static_cast<int64_t>(write_pos_) + size_ - cursor) % size_;
  if (buffered > static_cast<int64_t>(size_) - (static_cast<int64_t>(size_) - target_fill_) / 2)
    buffered -= size_;
  buffered_ = buffered;

  if (ramp_.advance(platform_.now_seconds())) {
    if (ramp_kind_ == ramp_kind::pause) paused_ = true;
    if (ramp_kind_ == ramp_kind::end) {
      ended_ = true;
      return;
    }
  }
  int32_t volume = linear_to_hundredths_db(ramp_.gain());
  if (volume != applied_volume_) device_->set_volume(applied_volume_ = volume);

  if (paused_ != device_stopped_by_pause_) {
    device_stopped_by_pause_ = paused_;
    if (paused_) {
      if (status.is_playing) device_->stop();
      drop_timer();
    } else if (!idle_) {
      device_->play_looping();
      hold_timer();
    }
  }

  if (queued_ == 0 && !paused_ && buffered_ < 1) {
    if (!idle_ && !tail_) {
      uint32_t tail = std::min(frames_to_bytes(end_tail_seconds), target_fill_);
      device_->write_silence(write_pos_, tail);
      write_pos_ = (write_pos_ + tail) % size_;
      buffered_ += tail;
      tail_ = true;
      device_->write_silence(write_pos_, guard_);
      return;
    }
    if (end_when_played_ || ending_) {
      ended_ = true;
      return;
    }
    if (!idle_) go_idle();
    return;
  }

  int64_t room = buffered_ < 0 ? target_fill_ : target_fill_ - buffered_;
  if (!idle_ && queued_ > 0 && buffered_ < static_cast<int64_t>(min_lead_)) {
    // The play cursor came too close to (or passed) the write position: write further
    // ahead, so the next audio is not written where the cursor already is. With nothing
    // to write the position stays, so the buffer can run dry and stop.
    int64_t skip = static_cast<int64_t>(min_lead_) - buffered_;
    debug_output("Output: the play cursor came within " + std::to_string(buffered_) +
                 " bytes of the audio written; " + std::to_string(skip) + " bytes of silence\n");
    // The skipped bytes may be beyond the last silence guard: they must not replay a
    // lap-old audio.
    device_->write_silence(write_pos_, static_cast<uint32_t>(std::min<int64_t>(skip, size_)));
    write_pos_ = static_cast<uint32_t>((write_pos_ + skip) % size_);
    buffered_ = min_lead_;
    room -= skip;
  }
  uint32_t count = static_cast<uint32_t>(std::clamp<int64_t>(room, 0, queued_));
  count -= count % frame_bytes_;
  if (count > 0) {
    copy_to_ring(count);
    idle_ = false;
    tail_ = false;
  }
  // Should the feed stall, the cursor runs into silence rather than old audio.
  device_->write_silence(write_pos_, guard_);
}

}  // namespace lumo
