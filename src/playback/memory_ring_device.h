#pragma once
// A ring buffer in memory whose play cursor follows a clock, standing in for a sound
// card: the null output plays into it, and tests drive it with a clock of their own.
// The buffer's volume control and what the cursor passes over can be watched.

#include <cstdint>
#include <functional>
#include <vector>

#include "playback/output_spec.h"
#include "playback/ring_device.h"

namespace lumo {

class memory_ring_device final : public ring_device {
 public:
  // on_played receives the bytes the cursor passed and the volume they played at;
  // it may be empty.
  using played_callback = std::function<void(const uint8_t* bytes, uint32_t count, int32_t volume)>;

  memory_ring_device(const output_spec& spec, uint32_t size_bytes, ring_platform& clock,
                     played_callback on_played = {});

  uint32_t size_bytes() const override { return static_cast<uint32_t>(ring_.size()); }
  ring_status status() override;
  void restore() override { lost_ = false; }
  void play_looping() override;
  void stop() override;
  void set_play_position(uint32_t offset_bytes) override;
  uint32_t play_cursor() override;
  void write(uint32_t offset_bytes, const uint8_t* data, uint32_t count_bytes) override;
  void write_silence(uint32_t offset_bytes, uint32_t count_bytes) override;
  void set_volume(int32_t hundredths_db) override { volume_ = hundredths_db; }

  int32_t volume() const { return volume_; }
  bool is_playing() const { return playing_; }
  // Makes the next status() report a lost buffer (as when a device takes it away).
  void lose() { lost_ = true; }

 private:
  void advance();

  std::vector<uint8_t> ring_;
  uint32_t frame_bytes_;
  double bytes_per_second_;
  ring_platform& clock_;
  played_callback on_played_;
  uint8_t silence_byte_;
  uint32_t cursor_ = 0;
  double last_time_ = 0;
  double carry_bytes_ = 0;
  bool playing_ = false;
  bool lost_ = false;
  int32_t volume_ = 0;
};

}  // namespace lumo
