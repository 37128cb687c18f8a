#include <condition_variable>
#include <mutex>

#include "core/event.h"

namespace lumo {

struct manual_event::impl {
  mutable std::mutex mutex;
  mutable std::condition_variable cv;
  bool is_set = false;
};

manual_event::manual_event() : impl_(new impl) {}
manual_event::~manual_event() = default;

void manual_event::set() {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->is_set = true;
  }
  impl_->cv.notify_all();
}

void manual_event::reset() {
  std::lock_guard lock(impl_->mutex);
  impl_->is_set = false;
}

bool manual_event::is_set() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->is_set;
}

bool manual_event::wait_for(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(impl_->mutex);
  return impl_->cv.wait_for(lock, timeout, [this] { return impl_->is_set; });
}

void* manual_event::native_handle() const {
  return nullptr;
}

}  // namespace lumo
