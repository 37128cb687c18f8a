#pragma once
// Durations as the user sees them: "1:02:05" from an hour on, "1:05" below, with
// "2wk " and "3d " prefixes for very long ones.

#include <string>

namespace lumo {

// Seconds rounded to whole seconds.
std::string format_time_text(double seconds);
// Seconds rounded to milliseconds, shown as "1:05.250"; used for error positions.
std::string format_time_text_ms(double seconds);

}  // namespace lumo
