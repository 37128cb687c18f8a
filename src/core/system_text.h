#pragma once
#include <cstdint>
#include <string>

namespace lumo {

// The text of a Win32 error code as the program shows it: "Undefined error" for 0, a
// few fixed texts, else the system's own message without its trailing line break, else
// "Unknown error code (N)".
std::string system_error_text(uint32_t code);

// The system's own message for code, or empty when it has none (platform seam).
std::string platform_error_message(uint32_t code);

// The system text of an HRESULT.
std::string hresult_text(int32_t hresult);

}  // namespace lumo
