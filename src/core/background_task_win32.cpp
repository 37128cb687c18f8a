// The progress dialog and worker thread of a background task.
//
// Threads: the dialog and everything in task_state except `status`, `abort` and
// `worker_done` belong to the main thread. The worker only calls run (through
// run_task_body), writes `status`, and finally posts task_done_message; the dialog
// polls `status` on its 250 ms timer. The state is freed by the done handler, after the
// worker has ended.

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/background_task.h"
#include "core/c_boundary.h"
#include "core/debug_output.h"
#include "core/exceptions.h"
#include "core/handle_win32.h"
#include "core/main_thread.h"
#include "core/popup_message.h"
#include "core/text_lookup.h"
#include "core/unicode.h"

namespace lumo {

namespace {

struct modal_outcome {
  bool finished = false;
  bool cancelled = false;
};

struct task_state {
  service_ptr<task_callback> callback;
  uint32_t flags = 0;
  std::string title;
  HWND parent = nullptr;
  HWND dialog = nullptr;
  unique_handle thread;
  ULONGLONG start_ms = 0;
  task_registry::task_id task = 0;
  std::unique_ptr<modal_scope> modal;
  bool parent_disabled = false;
  bool skip_run = false;               // on_init failed: the worker does nothing
  std::optional<std::string> failure;  // written by the worker before its last message
  modal_outcome* outcome = nullptr;
  task_status::snapshot shown;

  // Shared with the worker.
  task_status status;
  abort_source abort;
};

// A language text, or the English one while the language data lacks it.
std::wstring ui_text(std::string_view id, std::string_view english) {
  std::string text = lookup_text(id);
  return to_wide(text.empty() ? english : text);
}

DWORD WINAPI worker_main(void* param) {
  return guard_c_boundary("a background task's thread", [param]() -> DWORD {
    auto* state = static_cast<task_state*>(param);
    if (!state->skip_run)
      state->failure = run_task_body(*state->callback, state->status, state->abort);
    PostMessageW(state->dialog, task_done_message, 0, 0);
    return 0;
  });
}

// An in-memory dialog template without controls: the controls are made in
// WM_INITDIALOG, where the dialog font's units are known.
std::vector<WORD> dialog_template(uint32_t flags, std::string_view title) {
  DWORD style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SHELLFONT | DS_CENTER;
  if (flags & task_flags::cancel) style |= WS_SYSMENU;
  std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD));
  auto* head = reinterpret_cast<DLGTEMPLATE*>(t.data());
  head->style = style;
  head->dwExtendedStyle = WS_EX_DLGMODALFRAME;
  head->cdit = 0;
  head->x = head->y = 0;
  head->cx = 268;
  head->cy = 96;
  t.push_back(0);  // no menu
  t.push_back(0);  // the standard dialog class
  std::wstring caption = to_wide(title);
  t.insert(t.end(), caption.begin(), caption.end());
  t.push_back(0);
  t.push_back(9);  // point size
  for (wchar_t c : std::wstring_view(L"MS Shell Dlg 2")) t.push_back(c);
  t.push_back(0);
  return t;
}

HWND add_control(HWND dialog, const wchar_t* cls, const std::wstring& text, DWORD style, int id,
                 RECT r) {
  MapDialogRect(dialog, &r);
  HWND c = CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                           r.right - r.left, r.bottom - r.top, dialog,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
  SendMessageW(c, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
  return c;
}

void build_controls(HWND dlg, uint32_t flags) {
  using namespace task_dialog_control;
  const DWORD line = SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS | SS_NOPREFIX;
  add_control(dlg, WC_STATICW, L"", line, item, {10, 8, 258, 18});
  HWND bar = add_control(dlg, PROGRESS_CLASSW, L"",
                         (flags & task_flags::show_progress) ? PBS_SMOOTH : PBS_MARQUEE, progress,
                         {10, 21, 258, 29});
  if (flags & task_flags::show_progress)
    SendMessageW(bar, PBM_SETRANGE32, 0, 100);
  else
    SendMessageW(bar, PBM_SETMARQUEE, TRUE, 30);
  HWND d1 =
      add_control(dlg, WC_STATICW, L"", SS_PATHELLIPSIS | SS_NOPREFIX, detail1, {10, 34, 258, 44});
  HWND d2 =
      add_control(dlg, WC_STATICW, L"", SS_PATHELLIPSIS | SS_NOPREFIX, detail2, {10, 45, 258, 55});
  EnableWindow(d1, (flags & task_flags::details) != 0);
  EnableWindow(d2, (flags & task_flags::details) != 0);
  HWND bar2 =
      add_control(dlg, PROGRESS_CLASSW, L"", PBS_SMOOTH, secondary_progress, {10, 58, 258, 64});
  SendMessageW(bar2, PBM_SETRANGE32, 0, 100);
  EnableWindow(bar2, (flags & task_flags::secondary) != 0);

  HWND cancel_button = add_control(dlg, WC_BUTTONW, ui_text("dialog_cancel", "Cancel"),
                                   BS_PUSHBUTTON | WS_TABSTOP, cancel, {208, 74, 258, 88});
  EnableWindow(cancel_button, (flags & task_flags::cancel) != 0);
  if (flags & task_flags::minimize_parent)
    add_control(dlg, WC_BUTTONW, ui_text("progress_minimize", "Minimize"),
                BS_PUSHBUTTON | WS_TABSTOP, minimize_parent, {152, 74, 202, 88});
  if (flags & task_flags::pause_box)
    add_control(dlg, WC_BUTTONW, ui_text("ui_pause", "Pause"), BS_AUTOCHECKBOX | WS_TABSTOP, pause,
                {10, 76, 100, 86});
}

void set_text_if_changed(HWND dlg, int id, const std::string& now, std::string& shown) {
  if (now == shown) return;
  shown = now;
  SetDlgItemTextW(dlg, id, to_wide(now).c_str());
}

void refresh(task_state& s) {
  using namespace task_dialog_control;
  task_status::snapshot now = s.status.read();
  if (s.flags & task_flags::show_progress)
    SendDlgItemMessageW(s.dialog, progress, PBM_SETPOS, now.progress, 0);
  if (s.flags & task_flags::secondary)
    SendDlgItemMessageW(s.dialog, secondary_progress, PBM_SETPOS, now.secondary_progress, 0);
  set_text_if_changed(s.dialog, item, now.item, s.shown.item);
  set_text_if_changed(s.dialog, detail1, now.detail1, s.shown.detail1);
  set_text_if_changed(s.dialog, detail2, now.detail2, s.shown.detail2);
  int64_t elapsed_ms = static_cast<int64_t>(GetTickCount64() - s.start_ms);
  if (should_show_dialog(s.flags, IsWindowVisible(s.dialog) != FALSE, elapsed_ms))
    ShowWindow(s.dialog, SW_SHOW);
}

void finish(task_state* s) {
  KillTimer(s->dialog, task_refresh_timer);
  WaitForSingleObject(s->thread.get(), INFINITE);  // it posted its last message; it is ending
  s->thread.reset();
  // Re-enable the owner before the dialog goes, so activation returns to it.
  if (s->parent_disabled) EnableWindow(s->parent, TRUE);
  DestroyWindow(s->dialog);
  task_registry::remove(s->task);
  s->modal.reset();
  if (s->failure) report_task_failure(s->title, *s->failure);
  const bool aborted = s->abort.is_aborting();
  if (s->outcome) *s->outcome = {true, aborted};
  std::unique_ptr<task_state> owned(s);
  try {
    s->callback->on_done(aborted);
  } catch (const std::exception& e) {
    report_task_failure(s->title, kel::error_text(e));
  }
}

INT_PTR handle_dialog_message(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  auto* s = reinterpret_cast<task_state*>(GetWindowLongPtrW(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      s = reinterpret_cast<task_state*>(lp);
      s->dialog = dlg;
      SetWindowLongPtrW(dlg, DWLP_USER, lp);
      build_controls(dlg, s->flags);
      return FALSE;  // focus stays where it was until the dialog shows
    case WM_TIMER:
      if (s && wp == task_refresh_timer) refresh(*s);
      return TRUE;
    case WM_COMMAND:
      if (!s) return FALSE;
      switch (LOWORD(wp)) {
        case task_dialog_control::cancel:
          // Escape and the close box come here too; without the Cancel flag they do nothing.
          if ((s->flags & task_flags::cancel) && !s->abort.is_aborting()) {
            s->abort.abort();
            EnableWindow(GetDlgItem(dlg, task_dialog_control::cancel), FALSE);
          }
          return TRUE;
        case task_dialog_control::pause:
          s->status.set_paused(IsDlgButtonChecked(dlg, task_dialog_control::pause) == BST_CHECKED);
          return TRUE;
        case task_dialog_control::minimize_parent:
          if (s->parent) ShowWindow(s->parent, SW_MINIMIZE);
          return TRUE;
      }
      return FALSE;
    case task_done_message:
      if (s) finish(s);
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK dialog_proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  return guard_c_boundary("a progress dialog",
                          [&] { return handle_dialog_message(dlg, msg, wp, lp); });
}

// Starts a task and returns its dialog.
void start(service_ptr<task_callback> callback, uint32_t flags, window_handle parent,
           std::string_view title, modal_outcome* outcome) {
  assert_main_thread(thread_violation::report_then_crash);
  static const bool controls_ready = [] {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    return InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)controls_ready;

  auto owned = std::make_unique<task_state>();
  task_state* s = owned.get();
  s->callback = std::move(callback);
  s->flags = effective_task_flags(flags);
  s->title = std::string(title);
  s->parent = static_cast<HWND>(parent);
  s->outcome = outcome;
  s->start_ms = GetTickCount64();

  std::vector<WORD> tmpl = dialog_template(s->flags, title);
  HWND dlg = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                        reinterpret_cast<DLGTEMPLATE*>(tmpl.data()), s->parent,
                                        dialog_proc, reinterpret_cast<LPARAM>(s));
  if (!dlg) throw kel::exception_win32(GetLastError());
  if (!(s->flags & task_flags::modeless)) {
    s->modal = std::make_unique<modal_scope>(dlg);
    if (s->parent && IsWindowEnabled(s->parent)) {
      EnableWindow(s->parent, FALSE);
      s->parent_disabled = true;
    }
  }
  s->task = task_registry::add(title);

  s->thread = unique_handle(CreateThread(nullptr, 0, worker_main, s, CREATE_SUSPENDED, nullptr));
  if (!s->thread.is_valid()) {
    DWORD err = GetLastError();
    if (s->parent_disabled) EnableWindow(s->parent, TRUE);
    DestroyWindow(dlg);
    task_registry::remove(s->task);
    throw kel::exception_win32(err);
  }
  if (s->flags & task_flags::high_priority)
    SetThreadPriority(s->thread.get(), THREAD_PRIORITY_TIME_CRITICAL);
  // From here the done handler owns the state.
  owned.release();
  try {
    s->callback->on_init(dlg);
  } catch (const std::exception& e) {
    // Reported when the dialog has gone, like a failure of run.
    s->skip_run = true;
    s->failure = kel::error_text(e);
  }
  SetTimer(dlg, task_refresh_timer, task_refresh_interval_ms, nullptr);
  refresh(*s);
  if (!(s->flags & task_flags::delayed_show)) ShowWindow(dlg, SW_SHOW);
  ResumeThread(s->thread.get());
}

}  // namespace

void threaded_process::run(service_ptr<task_callback> callback, uint32_t flags,
                           window_handle parent, std::string_view title) {
  start(std::move(callback), flags, parent, title, nullptr);
}

bool threaded_process::run_modal(service_ptr<task_callback> callback, uint32_t flags,
                                 window_handle parent, std::string_view title) {
  debug_output(
      "threaded_process::run_modal() called - this is bad for multiple reasons, consider using "
      "non-blocking version of whatever API you've called instead.\n");
  modal_outcome outcome;
  start(std::move(callback), flags & ~(task_flags::modeless | task_flags::delayed_show), parent,
        title, &outcome);
  bool quit = false;
  WPARAM quit_code = 0;
  while (!outcome.finished) {
    MSG msg;
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      // Hold the quit request until the task is over, then hand it on.
      quit = true;
      quit_code = msg.wParam;
      continue;
    }
    if (HWND dlg = GetActiveWindow(); dlg && IsDialogMessageW(dlg, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (quit) PostQuitMessage(static_cast<int>(quit_code));
  return !outcome.cancelled;
}

}  // namespace lumo
