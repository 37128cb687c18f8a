#pragma once
// The ring buffer a device plays in a loop (a DirectSound secondary buffer, or a memory
// ring with a clock standing in for one), as the servicing algorithm of ring_stream sees
// it. Offsets and sizes are in bytes; writes that run past the end wrap to the start.
// Device failures are raised as exception_audio_device.

#include <cstdint>

namespace lumo {

struct ring_status {
  bool is_lost = false;     // the device took the buffer's memory away; restore() it
  bool is_playing = false;  // playing in looping mode
};

class ring_device {
 public:
  virtual ~ring_device() = default;
  virtual uint32_t size_bytes() const = 0;
  virtual ring_status status() = 0;
  virtual void restore() = 0;
  virtual void play_looping() = 0;
  virtual void stop() = 0;
  // Moves the play cursor (only called while stopped).
  virtual void set_play_position(uint32_t offset_bytes) = 0;
  virtual uint32_t play_cursor() = 0;
  virtual void write(uint32_t offset_bytes, const uint8_t* data, uint32_t count_bytes) = 0;
  virtual void write_silence(uint32_t offset_bytes, uint32_t count_bytes) = 0;
  // The buffer's volume control, in hundredths of a decibel (-10000 .. 0).
  virtual void set_volume(int32_t hundredths_db) = 0;
};

// What a stream needs from the system besides its buffer: a clock and the timer period.
class ring_platform {
 public:
  virtual ~ring_platform() = default;
  // Seconds on a monotonic clock.
  virtual double now_seconds() = 0;
  // Lowers the system timer period while a stream plays; returns the period granted
  // (0 when none), handed back to end_timer_period.
  virtual uint32_t begin_timer_period() = 0;
  virtual void end_timer_period(uint32_t period_ms) = 0;
};

// The system's clock and timer period (platform seam).
ring_platform& system_ring_platform();

// Asks begin(period) for the wanted period (at most 10 ms); on refusal tries 1 ms more
// until granted or 10 ms has been refused. Returns the period granted, 0 when none was.
template <class Begin>
uint32_t negotiate_timer_period(uint32_t wanted_ms, Begin begin) {
  constexpr uint32_t max_period_ms = 10;
  for (uint32_t p = wanted_ms < 1 ? 1 : (wanted_ms > max_period_ms ? max_period_ms : wanted_ms);
       p <= max_period_ms; ++p) {
    if (begin(p)) return p;
  }
  return 0;
}

}  // namespace lumo
