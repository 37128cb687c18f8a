#pragma once
// Diagnostics go to the debugger output only (OutputDebugStringW on Windows, stderr
// natively); there is no log file.

#include <string_view>

namespace lumo {

void debug_output(std::string_view text);

// Tests capture the debug output through this; null restores the platform's.
using debug_output_sink = void (*)(std::string_view text);
void set_debug_output_sink(debug_output_sink sink);

// The platform's own debug output (platform seam).
void platform_debug_output(std::string_view text);

}  // namespace lumo
