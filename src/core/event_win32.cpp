#include <windows.h>

#include "core/event.h"
#include "core/exceptions.h"
#include "core/handle_win32.h"

namespace lumo {

struct manual_event::impl {
  unique_handle handle;
};

manual_event::manual_event()
    : impl_(new impl{unique_handle(CreateEventW(nullptr, TRUE, FALSE, nullptr))}) {
  if (!impl_->handle.is_valid()) throw kel::exception_win32(GetLastError());
}

manual_event::~manual_event() = default;

void manual_event::set() {
  SetEvent(impl_->handle.get());
}
void manual_event::reset() {
  ResetEvent(impl_->handle.get());
}
bool manual_event::is_set() const {
  return WaitForSingleObject(impl_->handle.get(), 0) == WAIT_OBJECT_0;
}

bool manual_event::wait_for(std::chrono::milliseconds timeout) const {
  return WaitForSingleObject(impl_->handle.get(), static_cast<DWORD>(timeout.count())) ==
         WAIT_OBJECT_0;
}

void* manual_event::native_handle() const {
  return impl_->handle.get();
}

}  // namespace lumo
