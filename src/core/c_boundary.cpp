#include "core/c_boundary.h"

#include <string>

#include "core/internal_error.h"
#include "core/popup_message.h"

namespace lumo {

void escaped_c_boundary(std::string_view where, std::string_view text) noexcept {
  internal_error_crash("Unhandled exception in " + std::string(where) + ": " + std::string(text));
}

void report_escaped_error(std::string_view title, std::string_view text) noexcept {
  try {
    popup_message::g_show(text, title, popup_icon::error);
  } catch (...) {
    // The report itself failed (no memory): nobody can be told any more.
    internal_error_crash("Unhandled exception in " + std::string(title) + ": " + std::string(text));
  }
}

}  // namespace lumo
