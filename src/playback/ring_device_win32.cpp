#include <windows.h>

// timeBeginPeriod lives outside WIN32_LEAN_AND_MEAN's windows.h.
#include <mmsystem.h>

#include "playback/ring_device.h"
#include "playback/stream_worker.h"

namespace lumo {
namespace {

// Half of the worker's 10 ms sleep: a sleep then overshoots by at most that much.
constexpr uint32_t wanted_timer_period_ms = 5;

class win32_ring_platform final : public ring_platform {
 public:
  win32_ring_platform() { QueryPerformanceFrequency(&frequency_); }
  double now_seconds() override {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency_.QuadPart);
  }
  uint32_t begin_timer_period() override {
    return negotiate_timer_period(wanted_timer_period_ms,
                                  [](uint32_t p) { return timeBeginPeriod(p) == TIMERR_NOERROR; });
  }
  void end_timer_period(uint32_t period_ms) override {
    if (period_ms) timeEndPeriod(period_ms);
  }

 private:
  LARGE_INTEGER frequency_;
};

}  // namespace

void output_worker_sleep() {
  SleepEx(10, TRUE);
}

ring_platform& system_ring_platform() {
  static win32_ring_platform platform;
  return platform;
}

}  // namespace lumo
