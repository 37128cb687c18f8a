// The progress dialog and its worker, for real, on Wine's window manager.

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

#include "core/background_task.h"
#include "core/debug_output.h"
#include "core/popup_recorder.h"
#include "core/service_registry.h"
#include "core/unicode.h"
#include "recording_popups.h"

using namespace lumo;

namespace {

// Runs the message loop until done() holds or the time is up; waits for messages, not
// for a fixed time.
bool pump_until(const std::function<bool()>& done,
                std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

// A task the test steers: run waits for the test's go (or for Cancel), then ends as told.
class steered_task : public task_callback {
 public:
  enum class ending { normal, throws };
  ending how = ending::normal;
  std::atomic<bool> go{false};
  std::atomic<bool> running{false};
  HWND dialog = nullptr;
  int done_calls = 0;
  bool aborted = false;

  void on_init(window_handle dlg) override { dialog = static_cast<HWND>(dlg); }
  void run(task_status& status, const abort_signal& abort) override {
    running = true;
    status.set_item("Scanning music");
    status.set_progress(0.5);
    while (!go && !abort.wait_for(std::chrono::milliseconds(10))) {
    }
    if (how == ending::throws) throw sonatrix_io::exception_io_denied();
  }
  void on_done(bool was_aborted) override {
    ++done_calls;
    aborted = was_aborted;
  }
};

int progress_pos(HWND dialog) {
  return static_cast<int>(
      SendDlgItemMessageW(dialog, task_dialog_control::progress, PBM_GETPOS, 0, 0));
}

std::string item_text(HWND dialog) {
  wchar_t buf[100] = {};
  GetDlgItemTextW(dialog, task_dialog_control::item, buf, 100);
  return from_wide(buf);
}

TEST(BackgroundTaskWin32, FinishedTaskClosesItsDialogAndReportsNotAborted) {
  use_recording_popups();
  HWND parent = CreateWindowExW(0, L"STATIC", L"parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                300, 200, nullptr, nullptr, nullptr, nullptr);
  auto task = make_service<steered_task>();
  threaded_process::run(task, task_flags::cancel | task_flags::show_progress, parent, "Scanning");

  HWND dlg = task->dialog;
  ASSERT_TRUE(IsWindow(dlg));
  EXPECT_TRUE(IsWindowVisible(dlg));
  EXPECT_FALSE(IsWindowEnabled(parent)) << "a modal task disables its parent";
  EXPECT_FALSE(can_prompt());
  EXPECT_EQ(task_registry::names(), std::vector<std::string>{"Scanning"});
  wchar_t caption[50] = {};
  GetWindowTextW(dlg, caption, 50);
  EXPECT_EQ(from_wide(caption), "Scanning");

  // The dialog shows the worker's status at its next refresh.
  EXPECT_TRUE(pump_until([&] { return progress_pos(dlg) == 50; }));
  EXPECT_EQ(item_text(dlg), "Scanning music");

  task->go = true;
  ASSERT_TRUE(pump_until([&] { return task->done_calls == 1; }));
  EXPECT_FALSE(task->aborted);
  EXPECT_FALSE(IsWindow(dlg));
  EXPECT_TRUE(IsWindowEnabled(parent));
  EXPECT_TRUE(can_prompt());
  EXPECT_TRUE(task_registry::empty());
  EXPECT_TRUE(popup_recorder::recorded().empty());
  DestroyWindow(parent);
}

TEST(BackgroundTaskWin32, CancelledTaskEndsAborted) {
  use_recording_popups();
  auto task = make_service<steered_task>();
  // Delayed display: hidden at first, shown by a refresh after half a second.
  threaded_process::run(task, task_flags::cancel | task_flags::delayed_show, nullptr, "");
  HWND dlg = task->dialog;
  ASSERT_TRUE(IsWindow(dlg));
  EXPECT_FALSE(IsWindowVisible(dlg));
  EXPECT_TRUE(can_prompt()) << "delayed display implies a modeless dialog";
  EXPECT_EQ(task_registry::names(), std::vector<std::string>{"<unnamed task>"});
  EXPECT_TRUE(pump_until([&] { return IsWindowVisible(dlg) != FALSE; }));

  ASSERT_TRUE(pump_until([&] { return task->running.load(); }));
  // The user clicks Cancel.
  HWND cancel = GetDlgItem(dlg, task_dialog_control::cancel);
  ASSERT_TRUE(IsWindowEnabled(cancel));
  SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
  ASSERT_TRUE(pump_until([&] { return task->done_calls == 1; }));
  EXPECT_TRUE(task->aborted);
  EXPECT_FALSE(IsWindow(dlg));
  EXPECT_TRUE(task_registry::empty());

  // Without the Cancel flag the button is disabled and Escape does nothing.
  auto stubborn = make_service<steered_task>();
  threaded_process::run(stubborn, 0, nullptr, "Stubborn");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(stubborn->dialog, task_dialog_control::cancel)));
  SendMessageW(stubborn->dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  stubborn->go = true;
  ASSERT_TRUE(pump_until([&] { return stubborn->done_calls == 1; }));
  EXPECT_FALSE(stubborn->aborted);
}

TEST(BackgroundTaskWin32, ExceptionFromRunIsReportedAndTheDialogStillCloses) {
  use_recording_popups();
  auto task = make_service<steered_task>();
  task->how = steered_task::ending::throws;
  task->go = true;
  threaded_process::run(task, task_flags::cancel, nullptr, "Updating Files");
  ASSERT_TRUE(IsWindow(task->dialog));
  ASSERT_TRUE(pump_until([&] { return task->done_calls == 1; }));
  EXPECT_FALSE(task->aborted);
  auto shown = popup_recorder::take_recorded();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].message, "Access denied");
  EXPECT_EQ(shown[0].title, "Unhandled exception in \"Updating Files\"");
  EXPECT_EQ(shown[0].icon, popup_icon::error);
}

std::string g_debug_text;
void capture(std::string_view text) {
  g_debug_text += text;
}

// Presses Cancel as soon as the dialog exists, from inside the blocking loop.
class cancel_at_once : public steered_task {
 public:
  void on_init(window_handle dlg) override {
    steered_task::on_init(dlg);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }
};

TEST(BackgroundTaskWin32, BlockingVariantReturnsWhetherItFinishedNormally) {
  use_recording_popups();
  set_debug_output_sink(capture);
  auto finishing = make_service<steered_task>();
  finishing->go = true;
  EXPECT_TRUE(threaded_process::run_modal(finishing, task_flags::cancel, nullptr, "Quick"));
  EXPECT_EQ(finishing->done_calls, 1);
  EXPECT_NE(g_debug_text.find("threaded_process::run_modal() called - this is bad for multiple "
                              "reasons, consider using non-blocking version of whatever API "
                              "you've called instead.\n"),
            std::string::npos);

  auto cancelled = make_service<cancel_at_once>();
  EXPECT_FALSE(threaded_process::run_modal(cancelled, task_flags::cancel, nullptr, "Slow"));
  EXPECT_TRUE(cancelled->aborted);
  set_debug_output_sink(nullptr);
  EXPECT_TRUE(task_registry::empty());
}

}  // namespace
