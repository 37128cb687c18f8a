#pragma once
// Cancellation: every file operation and long operation takes an abort_signal and polls
// it; a set signal turns into kel::exception_aborted ("User abort").

#include <atomic>
#include <chrono>

#include "core/event.h"
#include "core/exceptions.h"

namespace lumo {

class abort_signal {
 public:
  virtual ~abort_signal() = default;
  virtual bool is_aborting() const = 0;
  // Set (manual reset) once aborting; never set for the never-aborting signal.
  virtual const manual_event& get_abort_event() const = 0;

  // Waits up to timeout; true when the signal is set meanwhile (or already).
  bool wait_for(std::chrono::milliseconds timeout) const {
    return get_abort_event().wait_for(timeout);
  }
  void check() const {
    if (is_aborting()) throw kel::exception_aborted();
  }
};

// The signal that never fires; one process-wide instance.
const abort_signal& abort_none();

// A flag plus a manual event: what a background task's Cancel sets.
class abort_source final : public abort_signal {
 public:
  void abort() {
    flag_.store(true, std::memory_order_release);
    event_.set();
  }
  void reset() {
    flag_.store(false, std::memory_order_release);
    event_.reset();
  }
  bool is_aborting() const override { return flag_.load(std::memory_order_acquire); }
  const manual_event& get_abort_event() const override { return event_; }

 private:
  std::atomic<bool> flag_{false};
  manual_event event_;
};

}  // namespace lumo
