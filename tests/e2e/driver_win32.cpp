// lumo-e2e: the Windows side of the whole-program tests. It runs inside the same Wine
// prefix as Lumo.exe and acts on its windows as another program on the desktop would.
//   lumo-e2e wait-window TITLE TIMEOUT_MS   exit 0 once a visible top-level window has TITLE
//   lumo-e2e close TITLE                    post WM_CLOSE to that window
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring cmd = argc > 1 ? argv[1] : L"";
  if (cmd == L"wait-window" && argc == 4) return wait_window(argv[2], _wtoi(argv[3]));
  if (cmd == L"close" && argc == 3) return close_window(argv[2]);
  std::fputs("usage: lumo-e2e wait-window TITLE TIMEOUT_MS | close TITLE\n", stderr);
  return 2;
}
