#pragma once
// Ending the program on the user's request: exit, restart, or reset the configuration
// and restart. Running background tasks and unsaved edits may refuse it.

#include <string>
#include <string_view>
#include <vector>

namespace lumo {

enum class close_mode { exit = 0, restart = 1, reset_and_restart = 2 };

// Main thread. False when the user or an editor declined; otherwise the flags are set
// and the message loop is told to end.
bool app_close_request(close_mode mode);

// The question listing the running tasks: header, one line per distinct name (with
// " (N)" when it runs N >= 2 times, in first-start order), then the notice.
std::string close_question_text(const std::vector<std::string>& task_names);

// Platform seam. Ends the message loop (WM_QUIT to the main window, or to the thread without one).
void platform_end_message_loop();

}  // namespace lumo
