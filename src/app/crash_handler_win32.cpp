// The unhandled-exception filter. It runs on whichever thread crashed, possibly with a
// damaged heap, so install_crash_handler prepares everything in advance: the dump file
// name lives in a buffer with room for the number, and the extra memory ranges go into
// a fixed array. The filter itself allocates nothing.

#include "app/crash_handler.h"

#include <windows.h>

#include <dbghelp.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

#include "core/handle_win32.h"
#include "core/internal_error.h"
#include "core/unicode.h"
#include "fs/long_path.h"

namespace lumo {

namespace {

constexpr std::string_view k_dump_stem = "failure-";
constexpr std::wstring_view k_dump_extension = L".dmp";
// "4294967295" + ".dmp" + the terminating zero.
constexpr size_t k_number_room = 10 + k_dump_extension.size() + 1;

// Memory added to the dump around each interesting address: the registers, and every
// value near the top of the stack that points somewhere readable.
constexpr uintptr_t k_range_before_bytes = 512;
constexpr uint32_t k_range_bytes = 1024;
constexpr uintptr_t k_stack_scan_bytes = 1024;
constexpr uintptr_t k_lowest_pointer = 4096;
constexpr size_t k_register_count = 8;
constexpr size_t k_max_ranges = k_register_count + k_stack_scan_bytes / sizeof(uintptr_t);

struct crash_settings {
  // Long-path form of the folder + separator + "failure-", then room for the number.
  std::wstring dump_name;
  size_t number_offset = 0;
  bool is_read_only = false;
};

struct memory_range {
  uint64_t base;
  uint32_t size_bytes;
};

struct range_feed {
  const memory_range* ranges;
  size_t count;
  size_t next;
};

// Replaced under the lock by install_crash_handler, read by the filter. Never freed at
// exit: a crash during static destruction still finds it.
constinit SRWLOCK g_settings_lock = SRWLOCK_INIT;
constinit crash_settings* g_settings = nullptr;
// The thread that is writing the dump; 0 while nothing has crashed.
constinit std::atomic<DWORD> g_crashing_thread{0};
// Only the crashing thread that won g_crashing_thread writes here.
constinit std::array<memory_range, k_max_ranges> g_ranges{};

std::string with_separator(const std::string& folder) {
  if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder;
  return folder + '\\';
}

bool is_absolute(std::string_view path) {
  return path.starts_with("\\\\") ||
         (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/'));
}

crash_settings make_settings(const std::string& folder) {
  std::string prefix = with_separator(folder) + std::string(k_dump_stem);
  // The prefix lifts the MAX_PATH limit, but only means something on an absolute path.
  crash_settings s;
  s.dump_name = to_wide(is_absolute(prefix) ? to_long_path(prefix) : prefix);
  s.number_offset = s.dump_name.size();
  s.dump_name.resize(s.number_offset + k_number_room);
  return s;
}

void write_number(wchar_t* out, uint32_t n) {
  wchar_t digits[10];
  size_t count = 0;
  do {
    digits[count++] = static_cast<wchar_t>(L'0' + n % 10);
    n /= 10;
  } while (n != 0);
  while (count != 0) *out++ = digits[--count];
  for (wchar_t c : k_dump_extension) *out++ = c;
  *out = L'\0';
}

// Leaves the name of the first dump from number first on that does not exist yet in
// s.dump_name and returns its number, or 0 once the numbers run out.
uint32_t find_free_dump_number(crash_settings& s, uint32_t first) {
  for (uint32_t n = first; n != 0; ++n) {
    write_number(s.dump_name.data() + s.number_offset, n);
    if (GetFileAttributesW(s.dump_name.c_str()) == INVALID_FILE_ATTRIBUTES) return n;
  }
  return 0;
}

unique_handle create_dump_file(crash_settings& s) {
  for (uint32_t n = 1; (n = find_free_dump_number(s, n)) != 0; ++n) {
    unique_handle file(CreateFileW(s.dump_name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.is_valid()) return file;
    // Another process crashing into the same profile may have taken this number.
    DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return unique_handle();
}

bool is_readable(uintptr_t address, MEMORY_BASIC_INFORMATION& region) {
  constexpr DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                             PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  if (VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof region) == 0)
    return false;
  return region.State == MEM_COMMIT && (region.Protect & readable) != 0 &&
         (region.Protect & (PAGE_NOACCESS | PAGE_GUARD)) == 0;
}

memory_range range_around(uintptr_t address) {
  return {address >= k_range_before_bytes ? address - k_range_before_bytes : 0, k_range_bytes};
}

size_t collect_ranges(const CONTEXT& context, memory_range* out) {
#if defined(__x86_64__) || defined(_M_X64)
  const uintptr_t registers[k_register_count] = {context.Rdi, context.Rsi, context.Rbx,
                                                 context.Rdx, context.Rcx, context.Rax,
                                                 context.Rbp, context.Rsp};
  const uintptr_t stack = context.Rsp;
#elif defined(__i386__) || defined(_M_IX86)
  const uintptr_t registers[k_register_count] = {context.Edi, context.Esi, context.Ebx,
                                                 context.Edx, context.Ecx, context.Eax,
                                                 context.Ebp, context.Esp};
  const uintptr_t stack = context.Esp;
#else
#error "the crash handler knows the registers of x86 and x64 only"
#endif
  size_t count = 0;
  for (uintptr_t value : registers) out[count++] = range_around(value);

  // The stack pointer may sit less than the scanned span below the top of the stack.
  MEMORY_BASIC_INFORMATION region;
  if (!is_readable(stack, region)) return count;
  uintptr_t region_end = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
  uintptr_t end = stack + k_stack_scan_bytes < region_end ? stack + k_stack_scan_bytes : region_end;
  uintptr_t word = (stack + sizeof(uintptr_t) - 1) & ~uintptr_t{sizeof(uintptr_t) - 1};
  for (; word + sizeof(uintptr_t) <= end; word += sizeof(uintptr_t)) {
    uintptr_t value;
    std::memcpy(&value, reinterpret_cast<const void*>(word), sizeof value);
    MEMORY_BASIC_INFORMATION target;
    if (value >= k_lowest_pointer && is_readable(value, target)) out[count++] = range_around(value);
  }
  return count;
}

BOOL CALLBACK dump_callback(void* param, MINIDUMP_CALLBACK_INPUT* input,
                            MINIDUMP_CALLBACK_OUTPUT* output) {
  auto* feed = static_cast<range_feed*>(param);
  switch (input->CallbackType) {
    case MemoryCallback:
      // Called until it returns FALSE; each TRUE adds one range.
      if (feed->next == feed->count) return FALSE;
      output->MemoryBase = feed->ranges[feed->next].base;
      output->MemorySize = feed->ranges[feed->next].size_bytes;
      ++feed->next;
      return TRUE;
    case ReadMemoryFailureCallback:
      // A register holding a plain number makes a range nobody can read: leave it out
      // rather than lose the whole dump.
      output->Status = S_OK;
      return TRUE;
    case CancelCallback:
      output->CheckCancel = FALSE;
      output->Cancel = FALSE;
      return TRUE;
    default:
      // Keeps every thread and module dbghelp offers.
      return TRUE;
  }
}

bool write_dump(HANDLE file, EXCEPTION_POINTERS* info) {
  MINIDUMP_EXCEPTION_INFORMATION exception{GetCurrentThreadId(), info, FALSE};
  range_feed feed{g_ranges.data(), collect_ranges(*info->ContextRecord, g_ranges.data()), 0};
  MINIDUMP_CALLBACK_INFORMATION callback{dump_callback, &feed};
  const auto type = MiniDumpWithIndirectlyReferencedMemory;
  if (MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file, type, &exception, nullptr,
                        &callback))
    return true;
  // The extra ranges are a bonus: should dbghelp refuse them, a dump without them is
  // still worth having.
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) return false;
  return MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file, type, &exception,
                           nullptr, nullptr);
}

void write_dump_file(crash_settings& s, EXCEPTION_POINTERS* info) {
  unique_handle file = create_dump_file(s);
  if (!file.is_valid()) return;
  if (write_dump(file.get(), info)) return;
  // A dump dbghelp gave up on halfway would only mislead whoever opens it.
  file.reset();
  DeleteFileW(s.dump_name.c_str());
}

LONG WINAPI crash_filter(EXCEPTION_POINTERS* info) {
  enter_fatal_state();
  if (IsDebuggerPresent()) return UnhandledExceptionFilter(info);

  DWORD self = GetCurrentThreadId();
  DWORD idle = 0;
  if (!g_crashing_thread.compare_exchange_strong(idle, self)) {
    // The dump writer crashed itself: end without it. Any other thread waits for the
    // writer to end the process.
    if (idle == self) TerminateProcess(GetCurrentProcess(), 0);
    for (;;) Sleep(INFINITE);
  }
  AcquireSRWLockShared(&g_settings_lock);
  if (g_settings && !g_settings->is_read_only) write_dump_file(*g_settings, info);
  TerminateProcess(GetCurrentProcess(), 0);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void install_crash_handler(std::string profile_folder_path, bool read_only_profile) {
  auto fresh = std::make_unique<crash_settings>(make_settings(profile_folder_path));
  fresh->is_read_only = read_only_profile;
  AcquireSRWLockExclusive(&g_settings_lock);
  std::unique_ptr<crash_settings> previous(std::exchange(g_settings, fresh.release()));
  ReleaseSRWLockExclusive(&g_settings_lock);
  SetUnhandledExceptionFilter(crash_filter);
}

std::string next_crash_dump_path(const std::string& profile_folder_path) {
  crash_settings s = make_settings(profile_folder_path);
  uint32_t n = find_free_dump_number(s, 1);
  return with_separator(profile_folder_path) + std::string(k_dump_stem) + std::to_string(n) +
         ".dmp";
}

}  // namespace lumo
