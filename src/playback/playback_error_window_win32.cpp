// The "Playback error" window: a resizable modeless dialog from an in-memory template,
// shown without activation so a failing track never steals the keyboard focus.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "config/advanced_entries.h"
#include "core/c_boundary.h"
#include "core/main_thread.h"
#include "core/text_lookup.h"
#include "core/unicode.h"
#include "playback/playback_error_rules.h"
#include "playback/playback_error_window.h"

namespace lumo {

namespace {

constexpr int edit_id = 1077;

std::function<uint64_t()> g_clock;

uint64_t now_ms() {
  return g_clock ? g_clock() : GetTickCount64();
}

playback_error_rules& rules() {
  static playback_error_rules r(now_ms);
  return r;
}

HWND g_window = nullptr;

std::wstring text_of(std::string_view id, std::string_view english) {
  std::string text = lookup_text(id);
  return to_wide(text.empty() ? english : text);
}

std::vector<WORD> dialog_template() {
  std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD));
  auto* head = reinterpret_cast<DLGTEMPLATE*>(t.data());
  head->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_SHELLFONT | DS_CENTER;
  head->dwExtendedStyle = 0;
  head->cdit = 0;
  head->cx = 300;
  head->cy = 140;
  t.push_back(0);  // no menu
  t.push_back(0);  // the standard dialog class
  for (wchar_t c : std::wstring_view(L"Playback error")) t.push_back(c);
  t.push_back(0);
  t.push_back(9);  // point size
  for (wchar_t c : std::wstring_view(L"MS Shell Dlg 2")) t.push_back(c);
  t.push_back(0);
  return t;
}

// Dialog units of the OK button and the margin, turned into pixels once the font is known.
RECT dialog_rect(HWND dlg, RECT r) {
  MapDialogRect(dlg, &r);
  return r;
}

void lay_out(HWND dlg) {
  RECT client;
  GetClientRect(dlg, &client);
  RECT unit = dialog_rect(dlg, {0, 0, 50, 14});  // button size
  RECT margin = dialog_rect(dlg, {0, 0, 7, 7});
  int bw = unit.right, bh = unit.bottom, m = margin.right;
  HWND ok = GetDlgItem(dlg, IDOK);
  MoveWindow(ok, client.right - m - bw, client.bottom - m - bh, bw, bh, TRUE);
  MoveWindow(GetDlgItem(dlg, edit_id), m, m, std::max(0L, client.right - 2 * m),
             std::max(0L, client.bottom - 3 * m - bh), TRUE);
}

void make_controls(HWND dlg) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(dlg, WM_GETFONT, 0, 0));
  HWND edit = CreateWindowExW(
      WS_EX_CLIENTEDGE, L"EDIT", L"",
      WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 0, 0, 0,
      dlg, reinterpret_cast<HMENU>(static_cast<INT_PTR>(edit_id)), instance, nullptr);
  HWND ok = CreateWindowExW(0, L"BUTTON", text_of("dialog_ok", "OK").c_str(),
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0, 0, dlg,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), instance, nullptr);
  SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageW(ok, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  lay_out(dlg);
}

void close_window(HWND dlg) {
  DestroyWindow(dlg);
  if (g_window == dlg) g_window = nullptr;
  rules().closed();
}

INT_PTR handle(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG: make_controls(dlg); return FALSE;  // the focus stays where it was
    case WM_SIZE: lay_out(dlg); return TRUE;
    case WM_CTLCOLORSTATIC: {
      // The read-only edit draws on the window colour, not the dialog face.
      HDC dc = reinterpret_cast<HDC>(wp);
      SetBkColor(dc, GetSysColor(COLOR_WINDOW));
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
    }
    case WM_CLOSE:  // the close box
      close_window(dlg);
      return TRUE;
    case WM_COMMAND:
      // Escape arrives as Cancel.
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
        close_window(dlg);
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

INT_PTR CALLBACK dialog_proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  return guard_c_boundary("the playback error window", [&] { return handle(dlg, msg, wp, lp); });
}

void set_text(const std::string& text) {
  SetDlgItemTextW(g_window, edit_id, to_wide(text).c_str());
}

}  // namespace

void show_playback_error(std::string_view message) {
  assert_main_thread(thread_violation::report_then_crash);
  switch (rules().add(message, advanced::show_error_popups.get_state())) {
    case playback_error_rules::action::none: return;
    case playback_error_rules::action::update: set_text(rules().text()); return;
    case playback_error_rules::action::create: break;
  }
  std::vector<WORD> tmpl = dialog_template();
  g_window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                        reinterpret_cast<DLGTEMPLATE*>(tmpl.data()), nullptr,
                                        dialog_proc, 0);
  if (!g_window) {
    // No window to close later: the next error may try again.
    rules() = playback_error_rules(now_ms);
    return;
  }
  set_text(rules().text());
  ShowWindow(g_window, SW_SHOWNOACTIVATE);
}

window_handle playback_error_window() {
  return g_window;
}

void set_playback_error_clock(std::function<uint64_t()> clock) {
  if (g_window) {
    DestroyWindow(g_window);
    g_window = nullptr;
  }
  g_clock = std::move(clock);
  rules() = playback_error_rules(now_ms);
}

}  // namespace lumo
