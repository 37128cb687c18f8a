#pragma once
// While a modal dialog or message box runs, the program records its window, so a
// second prompt is refused and the user is pointed at the open one instead.

namespace lumo {

// Opaque window handle (HWND on Windows).
using window_handle = void*;

// Main thread only: entered elsewhere it writes a line to the debug output and does
// nothing. Scopes nest; leaving restores the outer scope's window and flag.
class modal_scope {
 public:
  explicit modal_scope(window_handle window);
  ~modal_scope();
  modal_scope(const modal_scope&) = delete;
  modal_scope& operator=(const modal_scope&) = delete;

  // Records the dialog's window once it exists.
  void set_window(window_handle window);

 private:
  bool active_ = false;
  window_handle saved_window_ = nullptr;
  bool saved_flag_ = false;
};

// True on the main thread while no modal scope is active.
bool can_prompt();

// can_prompt(); when it is false the recorded modal window is activated and flashed
// and a beep sounds, so the user sees why nothing opened.
bool check_can_prompt();

// The window of the innermost modal scope, or null.
window_handle modal_window();

// Activate, flash and beep at window (platform seam).
void alert_modal_window(window_handle window);

}  // namespace lumo
