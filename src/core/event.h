#pragma once
// A manual-reset event. On Windows it is a kernel event (so it can join
// WaitForMultipleObjects); elsewhere a flag under a condition variable.

#include <chrono>
#include <memory>

namespace lumo {

class manual_event {
 public:
  manual_event();
  ~manual_event();
  manual_event(const manual_event&) = delete;
  manual_event& operator=(const manual_event&) = delete;

  void set();
  void reset();
  bool is_set() const;
  // Waits up to timeout; true when the event is set.
  bool wait_for(std::chrono::milliseconds timeout) const;
  // The Windows event HANDLE; null in the POSIX build.
  void* native_handle() const;

 private:
  struct impl;
  std::unique_ptr<impl> impl_;
};

}  // namespace lumo
