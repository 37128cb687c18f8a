// Exceptions at the system's C boundaries, for real under Wine: a throwing window or
// dialog procedure ends in the internal-error crash with the text in the debug output;
// a modal task whose run throws shows its report in a real message box once its dialog
// has gone.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include "core/background_task.h"
#include "core/c_boundary.h"
#include "core/service_registry.h"
#include "core/unicode.h"
#include "crash_reporter.h"

using namespace lumo;

namespace {

LRESULT CALLBACK throwing_window_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  return guard_c_boundary("the test window", [&]() -> LRESULT {
    if (msg == WM_USER) throw std::runtime_error("window went wrong");
    return DefWindowProcW(wnd, msg, wp, lp);
  });
}

INT_PTR CALLBACK throwing_dialog_proc(HWND, UINT msg, WPARAM, LPARAM) {
  return guard_c_boundary("the test dialog", [&]() -> INT_PTR {
    if (msg == WM_INITDIALOG) throw std::runtime_error("dialog went wrong");
    return FALSE;
  });
}

TEST(CBoundaryDeathTest, ThrowingProceduresEndInTheInternalErrorCrash) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        report_crashes_on_stderr();
        WNDCLASSW wc = {};
        wc.lpfnWndProc = throwing_window_proc;
        wc.lpszClassName = L"Lumo.TestThrowingWindow";
        RegisterClassW(&wc);
        HWND wnd =
            CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        SendMessageW(wnd, WM_USER, 0, 0);
      },
      "Unhandled exception in the test window: window went wrong");
  EXPECT_DEATH(
      {
        report_crashes_on_stderr();
        // A template of one empty dialog: style, no controls, no menu, standard class.
        alignas(4) WORD tmpl[32] = {};
        auto* head = reinterpret_cast<DLGTEMPLATE*>(tmpl);
        head->style = WS_POPUP;
        head->cx = head->cy = 50;
        DialogBoxIndirectParamW(nullptr, head, nullptr, throwing_dialog_proc, 0);
      },
      "Unhandled exception in the test dialog: dialog went wrong");
}

class failing_task : public task_callback {
 public:
  void on_init(window_handle) override {}
  void run(task_status&, const abort_signal&) override {
    throw std::runtime_error("the scan broke");
  }
  void on_done(bool) override {}
};

// The text of the static control of a message box, then OK.
std::string read_and_close_message_box(const wchar_t* title) {
  for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
       std::chrono::steady_clock::now() < end;
       std::this_thread::sleep_for(std::chrono::milliseconds(50))) {
    HWND box = FindWindowW(L"#32770", title);
    if (!box) continue;
    wchar_t text[200] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 200);  // a message box's text control
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return from_wide(text);
  }
  return "(no message box)";
}

TEST(BackgroundTaskWin32, ModalTaskThatThrowsShowsItsReportAfterItsDialog) {
  // The real message box service, not the recorder.
  services().build(static_factories());
  std::string shown;
  std::thread driver(
      [&] { shown = read_and_close_message_box(L"Unhandled exception in \"Scanning\""); });
  const bool finished = threaded_process::run_modal(make_service<failing_task>(),
                                                    task_flags::cancel, nullptr, "Scanning");
  driver.join();
  EXPECT_TRUE(finished);
  EXPECT_EQ(shown, "the scan broke");
  EXPECT_TRUE(can_prompt());
  services().clear();
}

}  // namespace
