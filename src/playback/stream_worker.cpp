#include "playback/stream_worker.h"

#include <optional>
#include <thread>
#include <vector>

#include "core/debug_output.h"
#include "core/exceptions.h"
#include "playback/ring_stream.h"
#include "playback/thread_setup.h"

namespace lumo {
namespace {

struct worker_state {
  std::mutex lock;
  // Guarded by lock:
  std::vector<std::shared_ptr<ring_stream>> streams;
  bool running = false;
  bool shutting_down = false;
  // Joined by whoever starts the next thread, or by shutdown.
  std::thread thread;

  // A process that ends without shutting the output down: the worker stops at its
  // next pass (the streams' devices are released with it).
  ~worker_state() {
    {
      std::lock_guard guard(lock);
      shutting_down = true;
    }
    if (thread.joinable()) thread.join();
  }
};

worker_state& state() {
  static worker_state s;
  return s;
}

void worker_main() {
  worker_state& s = state();
  std::unique_lock lock(s.lock, std::defer_lock);
  raise_thread_priority_time_critical();
  std::optional<com_thread_scope> com;
  try {
    com.emplace();
  } catch (const std::exception& e) {
    // The streams cannot be played without COM: end them; their owners' update()
    // reports a device that stopped.
    debug_output(std::string("Output worker: ") + kel::error_text(e) + "\n");
    lock.lock();
    for (auto& stream : s.streams) stream->fade_out_and_end(0);
    s.streams.clear();
    s.running = false;
    return;
  }
  for (;;) {
    lock.lock();
    if (s.shutting_down) break;
    std::erase_if(s.streams, [](const std::shared_ptr<ring_stream>& st) { return !st->service(); });
    if (s.streams.empty()) break;
    lock.unlock();
    output_worker_sleep();
  }
  s.running = false;
  lock.unlock();
}

}  // namespace

std::unique_lock<std::mutex> lock_output_streams() {
  return std::unique_lock(state().lock);
}

void add_output_stream(std::unique_lock<std::mutex>& lock, std::shared_ptr<ring_stream> stream) {
  worker_state& s = state();
  s.streams.push_back(std::move(stream));
  if (s.running || s.shutting_down) return;
  if (s.thread.joinable()) {
    // The previous worker has cleared running under the lock and only returns now.
    lock.unlock();
    std::thread old;
    {
      std::lock_guard relock(s.lock);
      if (!s.running) old = std::move(s.thread);
    }
    if (old.joinable()) old.join();
    lock.lock();
    if (s.running) return;
  }
  s.running = true;
  s.thread = std::thread(worker_main);
}

size_t output_stream_count() {
  std::lock_guard lock(state().lock);
  return state().streams.size();
}

bool is_output_worker_running() {
  std::lock_guard lock(state().lock);
  return state().running;
}

void shutdown_output_worker() {
  worker_state& s = state();
  std::thread t;
  {
    std::lock_guard lock(s.lock);
    s.shutting_down = true;
    t = std::move(s.thread);
  }
  if (t.joinable()) t.join();
  std::lock_guard lock(s.lock);
  s.streams.clear();
  s.running = false;
  s.shutting_down = false;
}

}  // namespace lumo
