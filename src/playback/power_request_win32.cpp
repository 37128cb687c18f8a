// Power requests are looked up by name: older systems lack them and keep the computer
// awake through the thread execution state instead.
#include <windows.h>

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
    HANDLE h = create_(&context);
    if (h == INVALID_HANDLE_VALUE || !h) return false;
    request_ = h;
    return true;
  }
  void set_request() override {
    if (request_) set_(request_, PowerRequestSystemRequired);
  }
  void clear_request() override {
    if (request_) clear_(request_, PowerRequestSystemRequired);
  }
  void close_request() override {
    if (request_) CloseHandle(request_);
    request_ = nullptr;
  }
  void set_execution_state(uint32_t flags) override {
    SetThreadExecutionState(static_cast<EXECUTION_STATE>(flags));
  }

 private:
  create_fn create_ = nullptr;
  set_fn set_ = nullptr;
  set_fn clear_ = nullptr;
  HANDLE request_ = nullptr;
};

}  // namespace

std::unique_ptr<power_api> make_system_power_api() {
  return std::make_unique<system_power_api>();
}

}  // namespace lumo
