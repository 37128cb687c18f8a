#include <windows.h>

#include <string>

#include "app/app_state.h"
#include "app/command_line.h"
#include "app/command_line_processing.h"
#include "app/instance.h"
#include "app/instance_messages.h"
#include "core/c_boundary.h"
#include "core/debug_output.h"
#include "core/exceptions.h"
#include "core/handle_win32.h"
#include "core/service_registry.h"
#include "core/unicode.h"
#include "fs/native_fs.h"

namespace lumo {

namespace {

const wchar_t instance_class[] = L"{6CBFE56F-CE56-40C8-BD2C-DE1F1B55DD34}";
constexpr UINT msg_query_key = WM_USER;
constexpr UINT msg_drain = WM_USER + 1;

struct instance_object {
  HWND window = nullptr;
  uint32_t key = 0;
};

instance_object g_instance;
// The named mutex held for the life of the process.
unique_handle g_instance_claim;
forwarded_queue g_queue;
bool g_class_registered = false;

LRESULT handle_instance_message(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
      SetWindowLongPtrW(wnd, 0, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
      break;
    }
    case msg_query_key: {
      auto* obj = reinterpret_cast<instance_object*>(GetWindowLongPtrW(wnd, 0));
      return obj ? obj->key : 0;
    }
    case msg_drain:
      g_queue.drain([](const forwarded_command_line& line) {
        process_command_line(line.command_line, line.current_directory);
      });
      return 0;
    case WM_COPYDATA: {
      if (!services().is_ready()) return 1;
      const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
      const char* data = static_cast<const char*>(cds->lpData);
      if (cds->dwData == executable_path_query_tag) {
        std::wstring theirs(reinterpret_cast<const wchar_t*>(data), cds->cbData / sizeof(wchar_t));
        while (!theirs.empty() && theirs.back() == L'\0') theirs.pop_back();
        std::wstring ours = to_wide(app().executable_path);
        return CompareStringOrdinal(theirs.c_str(), -1, ours.c_str(), -1, TRUE) == CSTR_EQUAL;
      }
      g_queue.push(cds->dwData, std::string(data ? data : "", data ? cds->cbData : 0));
      PostMessageW(wnd, msg_drain, 0, 0);
      return 1;
    }
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

LRESULT CALLBACK instance_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  return guard_c_boundary("the instance window",
                          [&] { return handle_instance_message(wnd, msg, wp, lp); });
}

// A first instance that has stopped answering must not hold the second launch forever;
// a running one answers within milliseconds.
constexpr UINT answer_timeout_ms = 5000;

// False when the window did not answer in time.
bool send_with_timeout(HWND target, UINT msg, WPARAM wp, LPARAM lp, DWORD_PTR& result) {
  return SendMessageTimeoutW(target, msg, wp, lp, SMTO_ABORTIFHUNG | SMTO_BLOCK, answer_timeout_ms,
                             &result) != 0;
}

void forward_command_line(HWND target) {
  std::string payload =
      encode_forwarded_command_line(from_wide(GetCommandLineW()), native_fs::current_directory());
  DWORD process = 0;
  GetWindowThreadProcessId(target, &process);
  if (process) AllowSetForegroundWindow(process);
  COPYDATASTRUCT cds = {};
  cds.dwData = forwarded_command_line_tag;
  cds.cbData = static_cast<DWORD>(payload.size());
  cds.lpData = payload.data();
  DWORD_PTR result = 0;
  if (!send_with_timeout(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), result))
    debug_output("The running instance did not answer; the command line was not delivered.\n");
}

struct find_instance {
  uint32_t key;
  HWND found = nullptr;
  bool any_silent = false;  // a window of our class that did not answer
};

BOOL CALLBACK match_instance_window(HWND wnd, LPARAM lp) {
  auto* search = reinterpret_cast<find_instance*>(lp);
  wchar_t name[64];
  int length = GetClassNameW(wnd, name, 64);
  if (length <= 0 || std::wstring_view(name, length) != instance_class) return TRUE;
  DWORD_PTR key = 0;
  if (!send_with_timeout(wnd, msg_query_key, 0, 0, key)) {
    search->any_silent = true;
    return TRUE;
  }
  if (static_cast<uint32_t>(key) != search->key) return TRUE;
  search->found = wnd;
  return FALSE;
}

bool create_instance_window(uint32_t key) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  if (!g_class_registered) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = instance_proc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = module;
    wc.lpszClassName = instance_class;
    if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    g_class_registered = true;
  }
  g_instance.key = key;
  g_instance.window = CreateWindowExW(0, instance_class, L"uninteresting", WS_POPUP, 0, 0, 0, 0,
                                      nullptr, nullptr, module, &g_instance);
  return g_instance.window != nullptr;
}

}  // namespace

bool claim_instance(uint32_t key) {
  if (g_instance.window) {
    DestroyWindow(g_instance.window);
    g_instance.window = nullptr;
  }
  std::wstring name = to_wide(instance_mutex_name(key));
  for (int attempt = 0; attempt <= 300; ++attempt) {
    unique_handle mutex(CreateMutexW(nullptr, FALSE, name.c_str()));
    if (!mutex.is_valid()) throw kel::exception_win32(GetLastError());
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      // The handle stays open for the life of the process: it is the claim.
      if (!create_instance_window(key)) throw kel::exception_win32(GetLastError());
      g_instance_claim = std::move(mutex);
      return true;
    }
    mutex.reset();
    find_instance search{key};
    EnumWindows(match_instance_window, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      forward_command_line(search.found);
      return false;
    }
    if (search.any_silent) {
      // The owner of the profile exists but does not answer: waiting longer would only
      // make this launch hang with it.
      debug_output("The running instance does not answer.\n");
      return false;
    }
    // The owner is starting or ending: its window is not there yet, or no longer.
    if (attempt < 300) Sleep(100);
  }
  return false;
}

void release_instance_window() {
  if (g_instance.window) DestroyWindow(g_instance.window);
  g_instance.window = nullptr;
  if (g_class_registered) UnregisterClassW(instance_class, GetModuleHandleW(nullptr));
  g_class_registered = false;
}

}  // namespace lumo
