#include "playback/ring_output.h"

#include "playback/gain.h"
#include "playback/playback_settings.h"
#include "playback/ring_stream.h"
#include "playback/stream_worker.h"

namespace lumo {
namespace {

constexpr double volume_ramp_seconds = 0.05;

}  // namespace

ring_output::ring_output(device_factory factory, ring_platform& platform)
    : factory_(std::move(factory)), platform_(platform) {}

ring_output::~ring_output() {
  close();
}

void ring_output::open_stream(double fade_in_seconds) {
  // The device is made outside the lock: opening one can take a while.
  auto stream = std::make_shared<ring_stream>(spec_, factory_(spec_), platform_,
                                              db_to_linear(volume_db_), fade_in_seconds, paused_);
  auto lock = lock_output_streams();
  add_output_stream(lock, stream);
  stream_ = std::move(stream);
}

void ring_output::set_format(const output_spec& spec) {
  validate_output_spec(spec);
  if (stream_) {
    auto lock = lock_output_streams();
    stream_->end_when_played();
  }
  stream_.reset();
  spec_ = spec;
  double fade_in = fade_in_pending_ ? fade_length_seconds(fade_kind::seek) : 0.0;
  fade_in_pending_ = false;
  open_stream(fade_in);
}

uint32_t ring_output::write(const float* samples, uint32_t frames) {
  if (!stream_) return 0;
  auto lock = lock_output_streams();
  return stream_->write(samples, frames);
}

uint32_t ring_output::free_frames() {
  if (!stream_) return 0;
  auto lock = lock_output_streams();
  return stream_->free_frames();
}

double ring_output::latency_seconds() {
  if (!stream_) return 0.0;
  auto lock = lock_output_streams();
  return stream_->latency_seconds();
}

void ring_output::update() {
  if (!stream_) return;
  auto lock = lock_output_streams();
  stream_->check_error();
}

void ring_output::set_volume(double volume_db) {
  volume_db_ = volume_db;
  if (!stream_) return;
  auto lock = lock_output_streams();
  stream_->set_gain(db_to_linear(volume_db), volume_ramp_seconds);
}

void ring_output::pause(bool paused) {
  if (paused == paused_) return;
  paused_ = paused;
  if (!stream_) return;
  double fade = fade_length_seconds(fade_kind::pause);
  auto lock = lock_output_streams();
  stream_->set_paused(paused, fade);
}

void ring_output::flush() {
  if (!stream_) return;
  double fade = fade_length_seconds(fade_kind::seek);
  {
    auto lock = lock_output_streams();
    stream_->fade_out_and_end(fade);
  }
  stream_.reset();
  open_stream(fade);
}

void ring_output::close() {
  if (!stream_) return;
  double fade = fade_length_seconds(fade_kind::stop);
  {
    auto lock = lock_output_streams();
    stream_->fade_out_and_end(fade);
  }
  stream_.reset();
  fade_in_pending_ = false;
}

}  // namespace lumo
