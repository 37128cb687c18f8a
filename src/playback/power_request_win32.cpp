// Power requests are looked up by name: older systems lack them and keep the computer
// awake through the thread execution state instead.
#include <windows.h>

#include "core/handle_win32.h"
#include "playback/power_request.h"

namespace lumo {

namespace {

using create_fn = HANDLE(WINAPI*)(REASON_CONTEXT*);
using set_fn = BOOL(WINAPI*)(HANDLE, POWER_REQUEST_TYPE);

class system_power_api final : public power_api {
 public:
  system_power_api() {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (!kernel) return;
    create_ = reinterpret_cast<create_fn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "PowerCreateRequest")));
    set_ = reinterpret_cast<set_fn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "PowerSetRequest")));
    clear_ = reinterpret_cast<set_fn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "PowerClearRequest")));
  }
  ~system_power_api() override { close_request(); }

  bool has_requests() override { return create_ && set_ && clear_; }
  bool create_request() override {
    static wchar_t reason[] = L"Lumo Audio Player";
    REASON_CONTEXT context{};
    context.Version = POWER_REQUEST_CONTEXT_VERSION;
    context.Flags = POWER_REQUEST_CONTEXT_SIMPLE_STRING;
    context.Reason.SimpleReasonString = reason;
    request_ = unique_handle(create_(&context));
    return request_.is_valid();
  }
  void set_request() override {
    if (request_.is_valid()) set_(request_.get(), PowerRequestSystemRequired);
  }
  void clear_request() override {
    if (request_.is_valid()) clear_(request_.get(), PowerRequestSystemRequired);
  }
  void close_request() override { request_.reset(); }
  void set_execution_state(uint32_t flags) override {
    SetThreadExecutionState(static_cast<EXECUTION_STATE>(flags));
  }

 private:
  create_fn create_ = nullptr;
  set_fn set_ = nullptr;
  set_fn clear_ = nullptr;
  unique_handle request_;
};

}  // namespace

std::unique_ptr<power_api> make_system_power_api() {
  return std::make_unique<system_power_api>();
}

}  // namespace lumo
