#pragma once
// The main thread and the queue that lets any thread run work on it.
//
// The main thread is the thread that ran static initialisation. post_to_main_thread
// appends to a queue under a lock and wakes the main thread: on Windows by posting the
// dispatch message to the dispatch window (core/dispatch_window.h), elsewhere through
// whatever waker the caller installed. The main thread then calls run_pending. The lock
// is held only while a node is linked or unlinked, never while a callback runs.

#include <cstdint>
#include <functional>

#include "core/service.h"

namespace lumo {

class main_thread_callback : public service_base {
 public:
  static constexpr guid class_guid{
      0x2e94b7d1u, 0x0f63, 0x4a2c, {0x95, 0x48, 0x3d, 0xe7, 0x1a, 0x86, 0x0b, 0x5f}};
  using parent_class = service_base;

  // Called on the main thread.
  virtual void run() = 0;

 protected:
  ~main_thread_callback() = default;
};

// True on the main thread, and everywhere while no main thread is recorded.
bool is_main_thread();

enum class thread_violation { crash, report_then_crash };
// The internal-error crash off the main thread; report_then_crash first writes the
// "only from main thread" line to the debug output.
void assert_main_thread(thread_violation mode = thread_violation::crash);

// Records the calling thread as the main thread (0 disables the check). Done once by
// static initialisation; tests may move it.
void set_main_thread_id(uint32_t id);
uint32_t main_thread_id();

// Any thread. The callback gets a new reference and runs at a later drain.
void post_to_main_thread(service_ptr<main_thread_callback> callback);
void post_to_main_thread(std::function<void()> fn);

enum class drain {
  queued_at_start,  // at most the callbacks queued when the drain started
  until_empty,      // also those queued meanwhile, until the queue is empty
};
// Main thread. Runs queued callbacks in order; a callback's exception propagates and
// leaves the rest queued.
void run_pending(drain mode);

// Callbacks waiting; for shutdown and tests.
size_t pending_callback_count();

// Called after each post, outside the lock, from the posting thread.
using main_thread_waker = void (*)();
void set_main_thread_waker(main_thread_waker waker);

}  // namespace lumo
