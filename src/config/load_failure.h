#pragma once
// What start-up does when config.dat could not be read: ask whether to go on.

#include <string>
#include <string_view>

namespace lumo {

// "Error reading configuration file (" + error_text + ")." + newline + "Continue?"
std::string config_load_failure_text(std::string_view error_text);

enum class prompt_mode { ask, quiet };

// Main thread. Returns when the user chose OK (or at once in quiet mode); Cancel raises
// kel::exception_shutdownrequest, which ends the program silently.
void ask_continue_after_config_load_failure(std::string_view error_text, prompt_mode mode);

// Replaces the question for tests; null restores the platform's box. The hook gets the
// full text and answers true for OK.
using ok_cancel_hook = bool (*)(const std::string& text);
void set_ok_cancel_hook_for_tests(ok_cancel_hook hook);

}  // namespace lumo
