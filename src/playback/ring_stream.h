#pragma once
// One output stream over a looping ring buffer: the staging queue the playback thread
// writes into, and the servicing pass the shared worker runs every 10 ms to move queued
// audio into the ring ahead of the play cursor, follow underruns, apply gain ramps
// (through the buffer's volume control) and stop a stream that has run dry.
//
// Locking: every member function is called with the worker's global lock held (see
// stream_worker.h); the stream has no lock of its own.

#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

#include "playback/gain.h"
#include "playback/output_spec.h"
#include "playback/ring_device.h"
#include "playback/sample_convert.h"

namespace lumo {

class ring_stream {
 public:
  // The device's buffer must be sized by ring_size_bytes(spec). Starts idle, with the
  // given gain; fade_in_seconds > 0 makes the first playback fade in from silence to
  // that gain; paused makes the stream start paused.
  ring_stream(const output_spec& spec, std::unique_ptr<ring_device> device, ring_platform& platform,
              double gain, double fade_in_seconds, bool paused);
  ~ring_stream();
  ring_stream(const ring_stream&) = delete;
  ring_stream& operator=(const ring_stream&) = delete;

  // Buffer length + 0.2 s, in whole frames.
  static uint32_t ring_size_bytes(const output_spec& spec);

  // Room in the staging queue, in frames.
  uint32_t free_frames() const;
  // Converts up to frames frames of interleaved float samples into the staging queue;
  // returns how many it took (at most free_frames()). Allocates nothing.
  uint32_t write(const float* samples, uint32_t frames);
  // Bytes buffered ahead of the play cursor plus bytes queued, in seconds.
  double latency_seconds() const;

  // Ramps to gain over ramp_seconds (after a pause or close the new gain waits for the
  // resume ramp).
  void set_gain(double gain, double ramp_seconds);
  // Pausing fades to silence, then stops the buffer; resuming restarts it and fades
  // back to the gain. Nothing happens when the state does not change.
  void set_paused(bool paused, double fade_seconds);
  // Fades out over fade_seconds and ends; queued audio is dropped.
  void fade_out_and_end(double fade_seconds);
  // Plays everything queued and buffered, then ends (no fade).
  void end_when_played();

  // One servicing pass; returns false once the stream has ended (and stopped its
  // buffer). Device failures end the stream and are kept for check_error().
  bool service();
  // Raises the failure that ended the stream, if any.
  void check_error() const;
  bool has_ended() const { return ended_; }
  bool is_idle() const { return idle_; }
  bool is_paused() const { return paused_; }
  double gain() const { return ramp_.gain(); }
  double seconds_played() const { return seconds_played_; }

  // Thresholds, bytes (whole frames).
  uint32_t target_fill_bytes() const { return target_fill_; }
  uint32_t min_lead_bytes() const { return min_lead_; }
  uint32_t silence_guard_bytes() const { return guard_; }
  uint32_t write_position() const { return write_pos_; }
  int64_t buffered_bytes() const { return buffered_; }
  uint32_t queued_bytes() const { return queued_; }

 private:
  enum class ramp_kind { volume, pause, resume, end };

  void pass();
  void go_idle();
  void start_ramp(double target, double seconds, ramp_kind kind);
  void copy_to_ring(uint32_t count);
  void hold_timer();
  void drop_timer();
  uint32_t frames_to_bytes(double seconds) const;

  output_spec spec_;
  device_sample_format format_;
  uint32_t frame_bytes_;
  std::unique_ptr<ring_device> device_;
  ring_platform& platform_;

  uint32_t size_;
  uint32_t target_fill_;
  uint32_t min_lead_;
  uint32_t guard_;

  // Staging queue: a byte ring of 0.25 s, allocated once.
  std::vector<uint8_t> staging_;
  uint32_t queue_head_ = 0;
  uint32_t queued_ = 0;

  uint32_t write_pos_ = 0;
  int64_t buffered_ = 0;
  uint32_t last_cursor_ = 0;
  double seconds_played_ = 0;

  gain_ramp ramp_;
  ramp_kind ramp_kind_ = ramp_kind::volume;
  double volume_gain_;          // what the stream plays at when not fading
  double fade_in_seconds_;      // pending fade-in on first playback
  int32_t applied_volume_ = 1;  // last value given to the buffer; 1 = never set

  bool idle_ = true;
  bool paused_ = false;  // the state in effect (buffer stopped)
  bool pause_requested_ = false;
  bool device_stopped_by_pause_ = false;
  bool ending_ = false;  // fading out to end
  bool end_when_played_ = false;
  // The audio ran out and a tail of silence was written after it (reset by new audio).
  bool tail_ = false;
  bool ended_ = false;
  uint32_t timer_period_ = 0;
  std::exception_ptr error_;
};

}  // namespace lumo
