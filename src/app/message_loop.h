#pragma once
// The main message loop (Windows): idle handlers, message filters, dispatch.

namespace lumo {

// Runs until WM_QUIT; returns its exit code. Main thread.
int run_message_loop();

}  // namespace lumo
