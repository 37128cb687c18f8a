#include <chrono>
#include <thread>

#include "playback/ring_device.h"
#include "playback/stream_worker.h"

namespace lumo {
namespace {

// There is no system timer period to lower outside Windows: sleeps are precise enough.
class posix_ring_platform final : public ring_platform {
 public:
  double now_seconds() override {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  uint32_t begin_timer_period() override { return 0; }
  void end_timer_period(uint32_t) override {}
};

}  // namespace

void output_worker_sleep() {
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

ring_platform& system_ring_platform() {
  static posix_ring_platform platform;
  return platform;
}

}  // namespace lumo
