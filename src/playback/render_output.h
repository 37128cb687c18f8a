#pragma once
// The render output: an ideal device with no clock of its own. Audio "plays" when the
// caller makes it: writing past the buffer length plays the oldest audio, update()
// plays 10 ms worth, flush and close play their fade-out at once. What plays goes to a
// sink (a WAV file, or nowhere) with the volume ramps and fades applied sample by sample,
// so the engine above sees latency, pause and fades as from a device, only faster than
// real time and exactly repeatable.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "playback/gain.h"
#include "playback/output.h"

namespace lumo {

// Where played audio goes. Called on the caller's thread; begin() for each new format,
// end() when the output closes or the format changes.
class render_sink {
 public:
  virtual ~render_sink() = default;
  virtual void begin(const output_spec& spec) = 0;
  // Bytes of whole frames in spec's sample format.
  virtual void write(const uint8_t* bytes, size_t count_bytes) = 0;
  virtual void end() = 0;
};

// A sink that drops everything, counting the frames.
class null_render_sink final : public render_sink {
 public:
  void begin(const output_spec& spec) override { frame_bytes_ = spec.bytes_per_frame(); }
  void write(const uint8_t*, size_t count_bytes) override { frames_ += count_bytes / frame_bytes_; }
  void end() override {}
  uint64_t frames() const { return frames_; }

 private:
  uint32_t frame_bytes_ = 1;
  uint64_t frames_ = 0;
};

// Writes a WAV file per format: url itself, then url with "-2", "-3"... before the
// extension when the format changes. Each file is written as url + ".tmp" and moved
// into place when complete, so a failed render never leaves a half-written file.
std::unique_ptr<render_sink> make_wav_render_sink(std::string url);

class render_output final : public output {
 public:
  explicit render_output(std::unique_ptr<render_sink> sink);
  ~render_output() override;

  void set_format(const output_spec& spec) override;
  uint32_t write(const float* samples, uint32_t frames) override;
  // Keeps a whole block that fits without copying it, handing back pooled storage.
  uint32_t write_block(pcm_chunk& block, uint32_t first_frame) override;
  uint32_t free_frames() override;
  double latency_seconds() override;
  void update() override;
  void set_volume(double volume_db) override;
  void pause(bool paused) override;
  void flush() override;
  void close() override;
  bool has_format() const override { return open_; }
  const output_spec& format() const override { return spec_; }
  bool has_clock() const override { return false; }

  // Frames played since the output was made (the render clock).
  uint64_t frames_played() const { return played_; }
  bool is_paused() const { return paused_; }
  render_sink& sink() { return *sink_; }

 private:
  enum class ramp_kind { volume, pause, resume, end };

  // One block of the buffer: its storage and the frames of it still to play.
  struct block_slot {
    std::vector<float> samples;
    uint32_t begin = 0;  // first frame not played yet
    uint32_t end = 0;    // frames held
  };

  void play(uint64_t frames);
  void play_all();
  void drop_all();
  void fade_out_and_drop(double fade_seconds);
  void start_ramp(double target, double seconds, ramp_kind kind);
  uint64_t seconds_to_frames(double seconds) const;
  void append_copy(const float* samples, uint64_t frames);
  size_t slot_at(size_t offset) const;
  block_slot& push_slot();
  void release_head();
  std::vector<float> take_storage();
  void give_storage(std::vector<float>&& storage);

  std::unique_ptr<render_sink> sink_;
  output_spec spec_;
  bool open_ = false;
  bool sink_open_ = false;

  // The buffer: a queue of blocks in a ring of slots, oldest first. Written samples are
  // copied into pooled storage; whole blocks are kept as they come. Both the slots and
  // the pool are made when the format is set, so playing allocates nothing.
  std::vector<block_slot> slots_;
  size_t slot_head_ = 0;
  size_t slot_count_ = 0;
  std::vector<std::vector<float>> pool_;  // free storage, most recently freed last
  uint64_t capacity_ = 0;                 // frames
  uint64_t count_ = 0;                    // frames held
  // Scratch for playing, allocated with the buffer.
  std::vector<float> scratch_;
  std::vector<uint8_t> bytes_;

  uint64_t played_ = 0;
  gain_ramp ramp_;
  ramp_kind ramp_kind_ = ramp_kind::volume;
  double volume_gain_ = 1.0;
  bool fade_in_pending_ = false;
  bool paused_ = false;
  bool pause_requested_ = false;
};

}  // namespace lumo
