#include <chrono>
#include <thread>

#include "playback/stream_worker.h"

namespace lumo::worker_platform {

// Outside Windows there is neither COM nor a priority the process may raise unprivileged.
void enter_thread() {}
void leave_thread() {}
void sleep_10ms() {
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

}  // namespace lumo::worker_platform
