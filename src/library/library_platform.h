#pragma once
// The library's remaining platform calls.

#include <string>
#include <string_view>

namespace lumo {

inline constexpr std::string_view library_write_error_title = "Error writing library file";

// The Retry/Cancel warning box after a failed write of the library file; true = Retry.
// Natively the text goes to the debug output and the answer is Cancel.
bool platform_ask_retry_library_write(std::string_view message);

}  // namespace lumo
