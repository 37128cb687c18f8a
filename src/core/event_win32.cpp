#include <windows.h>

#include "core/event.h"
#include "core/exceptions.h"

namespace lumo {

struct manual_event::impl {
  HANDLE handle;
};

manual_event::manual_event() : impl_(new impl{CreateEventW(nullptr, TRUE, FALSE, nullptr)}) {
  if (!impl_->handle) throw kel::exception_win32(GetLastError());
}

manual_event::~manual_event() { CloseHandle(impl_->handle); }

void manual_event::set() { SetEvent(impl_->handle); }
void manual_event::reset() { ResetEvent(impl_->handle); }
bool manual_event::is_set() const { return WaitForSingleObject(impl_->handle, 0) == WAIT_OBJECT_0; }

bool manual_event::wait_for(std::chrono::milliseconds timeout) const {
  return WaitForSingleObject(impl_->handle, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

void* manual_event::native_handle() const { return impl_->handle; }

}  // namespace lumo
