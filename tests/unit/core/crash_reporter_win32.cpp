#include <windows.h>

#include <cstdio>
#include <string_view>

#include "core/debug_output.h"
#include "crash_reporter.h"

namespace {

LONG WINAPI print_code(EXCEPTION_POINTERS* info) {
  std::fprintf(stderr, "crash with code 0x%08lX\n", info->ExceptionRecord->ExceptionCode);
  std::fflush(stderr);
  ExitProcess(3);
}

void to_stderr(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

void report_crashes_on_stderr() {
  SetUnhandledExceptionFilter(print_code);
  lumo::set_debug_output_sink(to_stderr);
}
