#pragma once
// Background tasks: work that runs on its own worker thread behind a progress dialog.
// The worker reports through a task_status the dialog polls every 250 ms; when run
// returns (or throws, which is reported through the popup-message service) the worker
// posts a completion message to the dialog, which closes, unregisters the task and
// calls on_done on the main thread.
//
// The dialog and the thread are Windows-only (background_task_win32.cpp); the status
// object, the flag rules, the worker body and the task registry are portable.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/abort.h"
#include "core/modal_scope.h"
#include "core/service.h"

namespace lumo {

// What the worker tells the dialog. Any thread may write; the dialog reads snapshots.
class task_status {
 public:
  // Fractions are clamped to 0..1 and shown as 0..100.
  void set_progress(double fraction);
  void set_secondary_progress(double fraction);
  // The main status line, and the two detail lines (shown with task_flags::details).
  void set_item(std::string_view text);
  void set_detail(std::string_view first, std::string_view second);
  // The pause check box's state (task_flags::pause_box); the dialog writes it.
  bool is_paused() const;
  void set_paused(bool paused);

  struct snapshot {
    int progress = 0;  // 0..100
    int secondary_progress = 0;
    std::string item, detail1, detail2;
  };
  snapshot read() const;

 private:
  // All fields under lock_.
  mutable std::mutex lock_;
  snapshot state_;
  bool paused_ = false;
};

class task_callback : public service_base {
 public:
  static constexpr guid class_guid{
      0x7a3c51e9u, 0xd208, 0x4f6b, {0xa1, 0x0e, 0x64, 0x2f, 0xc8, 0x95, 0x3b, 0x17}};
  using parent_class = service_base;

  // Main thread, after the dialog exists and before the worker starts.
  virtual void on_init(window_handle dialog) { (void)dialog; }
  // Worker thread. Should poll abort and return (or throw kel::exception_aborted) soon
  // after it is set.
  virtual void run(task_status& status, const abort_signal& abort) = 0;
  // Main thread, after the dialog closed; aborted when the user cancelled.
  virtual void on_done(bool aborted) { (void)aborted; }

 protected:
  ~task_callback() = default;
};

namespace task_flags {
inline constexpr uint32_t cancel = 0x1;           // Cancel available; else no system menu
inline constexpr uint32_t minimize_parent = 0x2;  // a button that minimises the parent
inline constexpr uint32_t show_progress = 0x4;    // 0..100 bar; else a marquee
inline constexpr uint32_t secondary = 0x8;        // second bar (implies show_progress)
inline constexpr uint32_t details = 0x10;         // two detail lines enabled
inline constexpr uint32_t pause_box = 0x20;       // a Pause check box
inline constexpr uint32_t high_priority = 0x40;   // worker at THREAD_PRIORITY_TIME_CRITICAL
inline constexpr uint32_t delayed_show = 0x80;    // hidden until 500 ms passed (implies modeless)
inline constexpr uint32_t modeless = 0x100;       // the parent stays usable
}  // namespace task_flags

// The flags with their implications added.
uint32_t effective_task_flags(uint32_t flags);

// Delayed display: the first refresh that finds more than 500 ms elapsed shows the dialog.
inline constexpr int64_t delayed_show_after_ms = 500;
bool should_show_dialog(uint32_t effective_flags, bool is_visible, int64_t elapsed_ms);

// The title of the report of an exception that escaped run.
std::string unhandled_exception_title(std::string_view task_title);

// The worker's body: runs the callback and returns the text of an exception that escaped
// it; nothing when run returned, or when the user's cancel ended it (exception_aborted
// with the signal set). Never throws.
std::optional<std::string> run_task_body(task_callback& callback, task_status& status,
                                         const abort_signal& abort);

// The report of a failed task through the popup-message service, icon error. The task's
// own dialog ends first: while its modal scope is active a message box could only flash.
void report_task_failure(std::string_view task_title, std::string_view text);

// Starting a task (Windows only; main thread).
struct threaded_process {
  // Creates the dialog, registers the task and starts the worker; returns at once. The
  // dialog is modal to parent unless flags say modeless.
  static void run(service_ptr<task_callback> callback, uint32_t flags, window_handle parent,
                  std::string_view title);
  // Blocks in a modal loop until the task is done; true when it was not cancelled.
  // Prefer run: a nested message loop surprises the code above it.
  static bool run_modal(service_ptr<task_callback> callback, uint32_t flags, window_handle parent,
                        std::string_view title);
};

// Messages of the progress dialog.
inline constexpr uint32_t task_done_message = 0x8001;  // WM_APP + 1, posted by the worker
inline constexpr uintptr_t task_refresh_timer = 0x10E1;
inline constexpr uint32_t task_refresh_interval_ms = 250;

// Control ids of the progress dialog (Cancel is IDCANCEL, 2).
namespace task_dialog_control {
inline constexpr int cancel = 2;
inline constexpr int item = 1001;
inline constexpr int progress = 1002;
inline constexpr int detail1 = 1003;
inline constexpr int detail2 = 1004;
inline constexpr int secondary_progress = 1005;
inline constexpr int pause = 1006;
inline constexpr int minimize_parent = 1007;
}  // namespace task_dialog_control

// The running tasks, in start order; main thread only.
class task_registry {
 public:
  using task_id = uint64_t;
  static task_id add(std::string_view name);
  static void remove(task_id id);
  // Display names; an unnamed task reads "<unnamed task>".
  static std::vector<std::string> names();
  static bool empty();
};

}  // namespace lumo
