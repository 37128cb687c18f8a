#pragma once
// Nothing may unwind through the system's C frames: window and dialog procedures,
// thread entry points, enumeration and timer callbacks. Wrap the body of each:
//
//   LRESULT CALLBACK my_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
//     return guard_c_boundary("my window", [&] { return handle(w, m, wp, lp); });
//   }
//
// guard_c_boundary: an escaping exception is a bug, and ends like every violated
// invariant: its text goes to the debug output, then the internal-error crash (crash
// handler, failure dump, exit code 0).
// guard_and_report: for work whose failure is the user's business and after which the
// program goes on (a worker's job, a command): the text goes to the popup service under
// the title given, and fallback is returned.

#include <exception>
#include <string_view>
#include <utility>

#include "core/exceptions.h"

namespace lumo {

[[noreturn]] void escaped_c_boundary(std::string_view where, std::string_view text) noexcept;
void report_escaped_error(std::string_view title, std::string_view text) noexcept;

namespace detail {

// body's result, or on_error's with the text of what escaped it.
template <class F, class H>
auto call_or(F&& body, H&& on_error) noexcept -> decltype(body()) {
  try {
    return std::forward<F>(body)();
  } catch (const std::exception& e) {
    return on_error(kel::error_text(e));
  } catch (...) {
    return on_error("Unknown exception");
  }
}

}  // namespace detail

template <class F>
auto guard_c_boundary(std::string_view where, F&& body) noexcept -> decltype(body()) {
  return detail::call_or(std::forward<F>(body), [where](std::string_view text) -> decltype(body()) {
    escaped_c_boundary(where, text);
  });
}

template <class R, class F>
R guard_and_report(std::string_view title, R fallback, F&& body) noexcept {
  return detail::call_or(std::forward<F>(body), [&](std::string_view text) -> R {
    report_escaped_error(title, text);
    return fallback;
  });
}

}  // namespace lumo
