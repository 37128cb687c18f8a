// lumo-e2e: the Windows side of the whole-program tests. It runs inside the same Wine
// prefix as Lumo.exe and acts on its windows as another program on the desktop would.
//   lumo-e2e wait-window TITLE TIMEOUT_MS   exit 0 once a visible top-level window has TITLE
//   lumo-e2e close TITLE                    post WM_CLOSE to that window
//   lumo-e2e wait-hidden TITLE TIMEOUT_MS   exit 0 once that window exists but is hidden
//   lumo-e2e count TITLE                    print how many top-level windows have TITLE
//   lumo-e2e rect TITLE                     print "x y width height" of that window
//   lumo-e2e move TITLE X Y WIDTH HEIGHT    move and size that window
#include <windows.h>

#include <cstdio>
#include <string>

#include "core/unicode.h"

namespace {

HWND find_visible(const std::wstring& title) {
  HWND wnd = FindWindowW(nullptr, title.c_str());
  return wnd && IsWindowVisible(wnd) ? wnd : nullptr;
}

int wait_window(const std::wstring& title, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < timeout_ms) {
    if (find_visible(title)) return 0;
    Sleep(100);
  }
  std::fprintf(stderr, "no visible window titled \"%s\" after %lu ms\n",
               lumo::from_wide(title).c_str(), timeout_ms);
  return 1;
}

int close_window(const std::wstring& title) {
  HWND wnd = FindWindowW(nullptr, title.c_str());
  if (!wnd) {
    std::fprintf(stderr, "no window titled \"%s\"\n", lumo::from_wide(title).c_str());
    return 1;
  }
  return PostMessageW(wnd, WM_CLOSE, 0, 0) ? 0 : 1;
}

int wait_hidden(const std::wstring& title, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < timeout_ms) {
    HWND wnd = FindWindowW(nullptr, title.c_str());
    if (wnd && !IsWindowVisible(wnd)) return 0;
    Sleep(100);
  }
  std::fprintf(stderr, "no hidden window titled \"%s\" after %lu ms\n",
               lumo::from_wide(title).c_str(), timeout_ms);
  return 1;
}

struct title_count {
  const std::wstring* title;
  int count = 0;
};

BOOL CALLBACK count_titled(HWND wnd, LPARAM lp) {
  auto* c = reinterpret_cast<title_count*>(lp);
  wchar_t text[256];
  int length = GetWindowTextW(wnd, text, 256);
  if (std::wstring_view(text, length) == *c->title) ++c->count;
  return TRUE;
}

int count_windows(const std::wstring& title) {
  title_count c{&title};
  EnumWindows(count_titled, reinterpret_cast<LPARAM>(&c));
  std::printf("%d\n", c.count);
  return 0;
}

int print_rect(const std::wstring& title) {
  HWND wnd = FindWindowW(nullptr, title.c_str());
  RECT r;
  if (!wnd || !GetWindowRect(wnd, &r)) return 1;
  std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return 0;
}

int move_window(const std::wstring& title, int x, int y, int w, int h) {
  HWND wnd = FindWindowW(nullptr, title.c_str());
  if (!wnd) return 1;
  return SetWindowPos(wnd, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring cmd = argc > 1 ? argv[1] : L"";
  if (cmd == L"wait-window" && argc == 4) return wait_window(argv[2], _wtoi(argv[3]));
  if (cmd == L"close" && argc == 3) return close_window(argv[2]);
  if (cmd == L"wait-hidden" && argc == 4) return wait_hidden(argv[2], _wtoi(argv[3]));
  if (cmd == L"count" && argc == 3) return count_windows(argv[2]);
  if (cmd == L"rect" && argc == 3) return print_rect(argv[2]);
  if (cmd == L"move" && argc == 7)
    return move_window(argv[2], _wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5]), _wtoi(argv[6]));
  std::fputs(
      "usage: lumo-e2e wait-window|wait-hidden TITLE TIMEOUT_MS | close|count|rect TITLE"
      " | move TITLE X Y WIDTH HEIGHT\n",
      stderr);
  return 2;
}
