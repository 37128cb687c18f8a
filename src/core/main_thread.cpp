#include "core/main_thread.h"

#include <atomic>
#include <list>
#include <mutex>

#include "core/debug_output.h"
#include "core/internal_error.h"
#include "core/thread_id.h"

namespace lumo {

namespace {

constinit std::atomic<uint32_t> g_main_thread{0};

// Records the main thread before main() runs; any static initialiser is on that thread.
[[maybe_unused]] const bool g_main_thread_recorded = [] {
  g_main_thread.store(current_thread_id());
  return true;
}();

constinit std::atomic<main_thread_waker> g_waker{nullptr};

// Guards the queue; held only to link or unlink a node.
struct callback_queue {
  std::mutex lock;
  std::list<service_ptr<main_thread_callback>> nodes;
};

callback_queue& queue() {
  static callback_queue q;
  return q;
}

class function_callback : public main_thread_callback {
 public:
  explicit function_callback(std::function<void()> fn) : fn_(std::move(fn)) {}
  void run() override { fn_(); }

 private:
  std::function<void()> fn_;
};

}  // namespace

bool is_main_thread() {
  uint32_t id = g_main_thread.load(std::memory_order_relaxed);
  return id == 0 || id == current_thread_id();
}

void assert_main_thread(thread_violation mode) {
  if (is_main_thread()) return;
  if (mode == thread_violation::report_then_crash)
    debug_output("Error: this function can be called only from main thread.\n");
  internal_error_crash("called off the main thread");
}

void set_main_thread_id(uint32_t id) {
  g_main_thread.store(id);
}
uint32_t main_thread_id() {
  return g_main_thread.load();
}

void post_to_main_thread(service_ptr<main_thread_callback> callback) {
  {
    callback_queue& q = queue();
    std::lock_guard guard(q.lock);
    q.nodes.push_back(std::move(callback));
  }
  if (main_thread_waker wake = g_waker.load(std::memory_order_acquire)) wake();
}

void post_to_main_thread(std::function<void()> fn) {
  post_to_main_thread(make_service<function_callback>(std::move(fn)));
}

void run_pending(drain mode) {
  assert_main_thread();
  callback_queue& q = queue();
  size_t budget;
  {
    std::lock_guard guard(q.lock);
    budget = q.nodes.size();
  }
  while (mode == drain::until_empty || budget > 0) {
    service_ptr<main_thread_callback> next;
    {
      std::lock_guard guard(q.lock);
      if (q.nodes.empty()) return;
      next = std::move(q.nodes.front());
      q.nodes.pop_front();
    }
    if (budget > 0) --budget;
    next->run();
  }
}

size_t pending_callback_count() {
  callback_queue& q = queue();
  std::lock_guard guard(q.lock);
  return q.nodes.size();
}

void set_main_thread_waker(main_thread_waker waker) {
  g_waker.store(waker, std::memory_order_release);
}

}  // namespace lumo
