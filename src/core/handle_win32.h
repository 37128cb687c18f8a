#pragma once
// The one owner of Win32 kernel handles (files, find handles, threads, events, mutexes):
// nothing else in the program closes a handle. CreateFileW reports failure as
// INVALID_HANDLE_VALUE, FindFirstFileW too, other calls as null: both count as empty.

#include <windows.h>

#include <utility>

namespace lumo {

template <BOOL(WINAPI* close_fn)(HANDLE)>
class basic_unique_handle {
 public:
  basic_unique_handle() = default;
  explicit basic_unique_handle(HANDLE h) : h_(h) {}
  ~basic_unique_handle() { reset(); }
  basic_unique_handle(basic_unique_handle&& other) noexcept
      : h_(std::exchange(other.h_, INVALID_HANDLE_VALUE)) {}
  basic_unique_handle& operator=(basic_unique_handle&& other) noexcept {
    if (this != &other) {
      reset();
      h_ = std::exchange(other.h_, INVALID_HANDLE_VALUE);
    }
    return *this;
  }

  HANDLE get() const { return h_; }
  bool is_valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  void reset() {
    if (is_valid()) close_fn(h_);
    h_ = INVALID_HANDLE_VALUE;
  }
  // Gives up ownership without closing; the system closes the handle at process end.
  HANDLE abandon() { return std::exchange(h_, INVALID_HANDLE_VALUE); }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

using unique_handle = basic_unique_handle<CloseHandle>;
using unique_find_handle = basic_unique_handle<FindClose>;

}  // namespace lumo
