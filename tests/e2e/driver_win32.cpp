// lumo-e2e: the Windows side of the whole-program tests. It runs inside the same Wine
// prefix as Lumo.exe and acts on its windows as another program on the desktop would.
//   lumo-e2e wait-window TITLE TIMEOUT_MS   exit 0 once a visible top-level window has TITLE
//   lumo-e2e close TITLE                    post WM_CLOSE to that window
//   lumo-e2e wait-hidden TITLE TIMEOUT_MS   exit 0 once that window exists but is hidden
//   lumo-e2e count TITLE                    print how many top-level windows have TITLE
//   lumo-e2e rect TITLE                     print "x y width height" of that window
//   lumo-e2e move TITLE X Y WIDTH HEIGHT    move and size that window
//   lumo-e2e list TITLE                     print the entries of the window's list view
//   lumo-e2e text TITLE ID                  print the text of the child with that id
//   lumo-e2e click-link TITLE ID INDEX      click link INDEX of a link-text child
//   lumo-e2e click TITLE ID                 click the button child with that id
//   lumo-e2e key TITLE VK [COUNT]           press a key (virtual-key code) in the list
//   lumo-e2e appcommand TITLE COMMAND       send WM_APPCOMMAND (a media key)
//   lumo-e2e command TITLE ID               send WM_COMMAND ID (what a menu item sends)
//   lumo-e2e child-rect TITLE ID            print "x y width height" of a child, on screen
//   lumo-e2e drop TITLE PATH...             drop files on the window (WM_DROPFILES)
//   lumo-e2e page-scroll TITLE PAGES [bar]  Page Down in the list PAGES times (or a page
//                                           down on its scroll bar), each page repainted
//                                           at once; prints the times per page
#include <windows.h>

#include <shlobj.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/handle_win32.h"
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

HWND find_any(const std::wstring& title) {
  HWND wnd = FindWindowW(nullptr, title.c_str());
  if (!wnd) std::fprintf(stderr, "no window titled \"%s\"\n", lumo::from_wide(title).c_str());
  return wnd;
}

// The list view lives in the other process: its item texts are read through a buffer
// allocated there.
int print_list(const std::wstring& title) {
  HWND wnd = find_any(title);
  HWND list = wnd ? FindWindowExW(wnd, nullptr, WC_LISTVIEWW, nullptr) : nullptr;
  if (!list) return 1;
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  lumo::unique_handle owner(
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
  if (!owner.is_valid()) return 1;
  HANDLE process = owner.get();
  constexpr int text_chars = 1024;
  void* remote = VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + text_chars * sizeof(wchar_t),
                                MEM_COMMIT, PAGE_READWRITE);
  auto* remote_text = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + sizeof(LVITEMW));
  const int count = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = remote_text;
    item.cchTextMax = text_chars;
    WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
    const int length =
        int(SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(i), reinterpret_cast<LPARAM>(remote)));
    std::wstring text(size_t(std::max(length, 0)), L'\0');
    if (length > 0)
      ReadProcessMemory(process, remote_text, text.data(), size_t(length) * sizeof(wchar_t),
                        nullptr);
    std::printf("%s\n", lumo::from_wide(text).c_str());
  }
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return 0;
}

int print_text(const std::wstring& title, int id) {
  HWND wnd = find_any(title);
  HWND child = wnd ? GetDlgItem(wnd, id) : nullptr;
  if (!child) return 1;
  wchar_t text[2048];
  const int length = GetWindowTextW(child, text, 2048);
  std::printf("%s\n", lumo::from_wide(std::wstring_view(text, size_t(length))).c_str());
  return 0;
}

void click_at(HWND target, int x, int y) {
  const LPARAM at = MAKELPARAM(x, y);
  PostMessageW(target, WM_MOUSEMOVE, 0, at);
  PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(target, WM_LBUTTONUP, 0, at);
}

int click_link(const std::wstring& title, int id, int index) {
  HWND wnd = find_any(title);
  HWND child = wnd ? GetDlgItem(wnd, id) : nullptr;
  if (!child) return 1;
  const LRESULT centre = SendMessageW(child, WM_APP + 2, WPARAM(index), 0);
  if (centre == -1) {
    std::fprintf(stderr, "no link %d in control %d\n", index, id);
    return 1;
  }
  click_at(child, LOWORD(centre), HIWORD(centre));
  return 0;
}

int click_button(const std::wstring& title, int id) {
  HWND wnd = find_any(title);
  HWND child = wnd ? GetDlgItem(wnd, id) : nullptr;
  if (!child) return 1;
  RECT r;
  GetClientRect(child, &r);
  click_at(child, r.right / 2, r.bottom / 2);
  return 0;
}

int press_key(const std::wstring& title, int key, int count) {
  HWND wnd = find_any(title);
  HWND list = wnd ? FindWindowExW(wnd, nullptr, WC_LISTVIEWW, nullptr) : nullptr;
  if (!list) return 1;
  for (int i = 0; i < count; ++i) {
    PostMessageW(list, WM_KEYDOWN, WPARAM(key), 1);
    PostMessageW(list, WM_KEYUP, WPARAM(key), LPARAM(0xC0000001));
  }
  return 0;
}

int app_command(const std::wstring& title, int command) {
  HWND wnd = find_any(title);
  if (!wnd) return 1;
  return SendMessageW(wnd, WM_APPCOMMAND, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(0, command))
             ? 0
             : 1;
}

int send_command(const std::wstring& title, int id) {
  HWND wnd = find_any(title);
  if (!wnd) return 1;
  SendMessageW(wnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  return 0;
}

int print_child_rect(const std::wstring& title, int id) {
  HWND wnd = find_any(title);
  HWND child = wnd ? GetDlgItem(wnd, id) : nullptr;
  RECT r;
  if (!child || !GetWindowRect(child, &r)) return 1;
  std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return 0;
}

// What the shell hands a window when files are dropped on it: a DROPFILES header and
// the wide, double-NUL-terminated names, in memory the receiving process can read (a
// fixed block is its own handle). The receiver's DragFinish frees it.
int drop_files(const std::wstring& title, const std::vector<std::wstring>& paths) {
  HWND wnd = find_any(title);
  if (!wnd) return 1;
  std::wstring names;
  for (const std::wstring& p : paths) names += p + L'\0';
  names += L'\0';
  RECT client{};
  GetClientRect(wnd, &client);
  DROPFILES header = {};
  header.pFiles = sizeof header;
  header.pt = {client.right / 2, client.bottom / 2};
  header.fWide = TRUE;
  std::string block(sizeof header + names.size() * sizeof(wchar_t), '\0');
  memcpy(block.data(), &header, sizeof header);
  memcpy(block.data() + sizeof header, names.data(), names.size() * sizeof(wchar_t));
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  lumo::unique_handle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid));
  if (!process.is_valid()) return 1;
  void* remote = VirtualAllocEx(process.get(), nullptr, block.size(), MEM_COMMIT, PAGE_READWRITE);
  const bool written =
      remote && WriteProcessMemory(process.get(), remote, block.data(), block.size(), nullptr);
  process.reset();
  if (!written) return 1;
  return PostMessageW(wnd, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0) ? 0 : 1;
}

// Each step is a Page Down sent to the list and a repaint of the whole list forced
// through (RDW_UPDATENOW delivers WM_PAINT synchronously), so a step's time is what the
// list needs to move one page and draw it, plus two cross-process messages.
int page_scroll(const std::wstring& title, int pages, bool by_scroll_bar) {
  HWND wnd = find_any(title);
  HWND list = wnd ? FindWindowExW(wnd, nullptr, WC_LISTVIEWW, nullptr) : nullptr;
  if (!list || pages <= 0) return 1;
  auto key = [&](WPARAM vk) {
    SendMessageW(list, WM_KEYDOWN, vk, 1);
    SendMessageW(list, WM_KEYUP, vk, LPARAM(0xC0000001));
  };
  auto repaint = [&] {
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  };
  key(VK_HOME);
  repaint();
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> ms;
  for (int i = 0; i < pages; ++i) {
    QueryPerformanceCounter(&start);
    if (by_scroll_bar)
      SendMessageW(list, WM_VSCROLL, SB_PAGEDOWN, 0);
    else
      key(VK_NEXT);
    repaint();
    QueryPerformanceCounter(&end);
    ms.push_back(double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart));
  }
  std::vector<double> sorted = ms;
  std::sort(sorted.begin(), sorted.end());
  double total = 0;
  for (double m : ms) total += m;
  std::printf(
      "pages %d rows_per_page %d top %d items %d mean_ms %.2f median_ms %.2f p95_ms %.2f "
      "max_ms %.2f\n",
      pages, int(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0)),
      int(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)),
      int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)), total / pages, sorted[sorted.size() / 2],
      sorted[std::min(sorted.size() - 1, sorted.size() * 95 / 100)], sorted.back());
  return 0;
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
  if (cmd == L"list" && argc == 3) return print_list(argv[2]);
  if (cmd == L"text" && argc == 4) return print_text(argv[2], _wtoi(argv[3]));
  if (cmd == L"click-link" && argc == 5) return click_link(argv[2], _wtoi(argv[3]), _wtoi(argv[4]));
  if (cmd == L"click" && argc == 4) return click_button(argv[2], _wtoi(argv[3]));
  if (cmd == L"key" && (argc == 4 || argc == 5))
    return press_key(argv[2], _wtoi(argv[3]), argc == 5 ? _wtoi(argv[4]) : 1);
  if (cmd == L"appcommand" && argc == 4) return app_command(argv[2], _wtoi(argv[3]));
  if (cmd == L"command" && argc == 4) return send_command(argv[2], _wtoi(argv[3]));
  if (cmd == L"child-rect" && argc == 4) return print_child_rect(argv[2], _wtoi(argv[3]));
  if (cmd == L"page-scroll" && (argc == 4 || argc == 5))
    return page_scroll(argv[2], _wtoi(argv[3]), argc == 5 && std::wstring(argv[4]) == L"bar");
  if (cmd == L"drop" && argc >= 4)
    return drop_files(argv[2], std::vector<std::wstring>(argv + 3, argv + argc));
  std::fputs(
      "usage: lumo-e2e wait-window|wait-hidden TITLE TIMEOUT_MS | close|count|rect TITLE"
      " | move TITLE X Y WIDTH HEIGHT | list TITLE | text TITLE ID | click-link TITLE ID INDEX"
      " | click TITLE ID | key TITLE VK [COUNT] | appcommand TITLE COMMAND | command TITLE ID"
      " | child-rect TITLE ID\n",
      stderr);
  return 2;
}
