#include "playback/memory_ring_device.h"

#include <algorithm>
#include <cmath>

namespace lumo {

memory_ring_device::memory_ring_device(const output_spec& spec, uint32_t size_bytes,
                                       ring_platform& clock, played_callback on_played)
    : ring_(size_bytes),
      frame_bytes_(spec.bytes_per_frame()),
      bytes_per_second_(static_cast<double>(spec.bytes_per_frame()) * spec.sample_rate),
      clock_(clock),
      on_played_(std::move(on_played)),
      silence_byte_(!spec.is_float && spec.bits_per_sample == 8 ? 0x80 : 0) {}

void memory_ring_device::advance() {
  if (!playing_) return;
  double now = clock_.now_seconds();
  double bytes = (now - last_time_) * bytes_per_second_ + carry_bytes_;
  last_time_ = now;
  uint64_t frames = static_cast<uint64_t>(bytes / frame_bytes_);
  carry_bytes_ = bytes - static_cast<double>(frames * frame_bytes_);
  uint64_t count = frames * frame_bytes_;
  uint32_t size = size_bytes();
  while (count > 0) {
    uint32_t run = static_cast<uint32_t>(std::min<uint64_t>(count, size - cursor_));
    if (on_played_) on_played_(ring_.data() + cursor_, run, volume_);
    cursor_ = (cursor_ + run) % size;
    count -= run;
  }
}

ring_status memory_ring_device::status() {
  advance();
  return {lost_, playing_};
}

void memory_ring_device::play_looping() {
  if (playing_) return;
  playing_ = true;
  last_time_ = clock_.now_seconds();
  carry_bytes_ = 0;
}

void memory_ring_device::stop() {
  advance();
  playing_ = false;
}

void memory_ring_device::set_play_position(uint32_t offset_bytes) {
  cursor_ = offset_bytes % size_bytes();
}

uint32_t memory_ring_device::play_cursor() {
  advance();
  return cursor_;
}

void memory_ring_device::write(uint32_t offset_bytes, const uint8_t* data, uint32_t count_bytes) {
  uint32_t size = size_bytes();
  for (uint32_t done = 0; done < count_bytes;) {
    uint32_t at = (offset_bytes + done) % size;
    uint32_t run = std::min(count_bytes - done, size - at);
    std::copy_n(data + done, run, ring_.data() + at);
    done += run;
  }
}

void memory_ring_device::write_silence(uint32_t offset_bytes, uint32_t count_bytes) {
  uint32_t size = size_bytes();
  count_bytes = std::min(count_bytes, size);
  for (uint32_t done = 0; done < count_bytes;) {
    uint32_t at = (offset_bytes + done) % size;
    uint32_t run = std::min(count_bytes - done, size - at);
    std::fill_n(ring_.data() + at, run, silence_byte_);
    done += run;
  }
}

}  // namespace lumo
