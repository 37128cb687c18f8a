#pragma once
// The internal-error crash: what a violated invariant (wrong thread, a required single
// service missing or duplicated, a fatal state while dispatching) ends in. It is never
// an exception, so nothing can catch it; on Windows the crash handler turns it into a
// minidump.

#include <cstdint>
#include <string_view>

namespace lumo {

// The code of the non-continuable exception raised on Windows.
inline constexpr uint32_t internal_error_code = 0xAA67913Cu;

// Writes reason to the debug output, then crashes (natively: a message on stderr and
// abort()).
[[noreturn]] void internal_error_crash(std::string_view reason);

// Set by the crash handler once the process is dying: message dispatch then refuses to
// run more callbacks.
void enter_fatal_state();
bool in_fatal_state();

}  // namespace lumo
