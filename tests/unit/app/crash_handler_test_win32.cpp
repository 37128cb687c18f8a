// The crash handler, seen from outside: this executable is started again to run only the
// disabled CrashChild test, which installs the handler and crashes; the parent looks at
// the exit code and the dumps left in the folder.

#include "app/crash_handler.h"

#include <windows.h>

#include <dbghelp.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/handle_win32.h"
#include "core/internal_error.h"
#include "core/unicode.h"
#include "test_folder.h"

using namespace lumo;
using lumo::testing::read_whole_file;
using lumo::testing::test_folder;
using lumo::testing::write_whole_file;

namespace {

const wchar_t k_folder_variable[] = L"LUMO_CRASH_TEST_FOLDER";
const wchar_t k_read_only_variable[] = L"LUMO_CRASH_TEST_READ_ONLY";

std::string environment(const wchar_t* name) {
  wchar_t value[4096];
  DWORD length = GetEnvironmentVariableW(name, value, 4096);
  return length == 0 || length >= 4096 ? std::string() : from_wide({value, length});
}

// Runs the crashing child with the given profile folder; returns its exit code.
DWORD run_crashing_child(const std::string& folder, bool read_only_profile) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(exe) +
                         L"\" --gtest_filter=CrashChild.* --gtest_also_run_disabled_tests"
                         L" --gtest_brief=1";
  SetEnvironmentVariableW(k_folder_variable, to_wide(folder).c_str());
  SetEnvironmentVariableW(k_read_only_variable, read_only_profile ? L"1" : L"0");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  BOOL started = CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                &startup, &child);
  SetEnvironmentVariableW(k_folder_variable, nullptr);
  SetEnvironmentVariableW(k_read_only_variable, nullptr);
  if (!started) {
    ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
    return ~DWORD{0};
  }
  // Generous: Wine starts slowly, and a child that hangs must not hang the suite.
  unique_handle process(child.hProcess), thread(child.hThread);
  DWORD exit_code = ~DWORD{0};
  if (WaitForSingleObject(process.get(), 120'000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.get(), &exit_code);
  } else {
    ADD_FAILURE() << "the crashing child did not end";
    TerminateProcess(process.get(), 99);
  }
  return exit_code;
}

// The exception code recorded in a minidump's exception stream, or 0 without one.
uint32_t dumped_exception_code(const std::string& dump) {
  MINIDUMP_HEADER header;
  if (dump.size() < sizeof header) return 0;
  std::memcpy(&header, dump.data(), sizeof header);
  for (ULONG32 i = 0; i < header.NumberOfStreams; ++i) {
    MINIDUMP_DIRECTORY entry;
    size_t at = header.StreamDirectoryRva + size_t{i} * sizeof entry;
    if (at + sizeof entry > dump.size()) return 0;
    std::memcpy(&entry, dump.data() + at, sizeof entry);
    MINIDUMP_EXCEPTION_STREAM stream;
    if (entry.StreamType != ExceptionStream || entry.Location.Rva + sizeof stream > dump.size())
      continue;
    std::memcpy(&stream, dump.data() + entry.Location.Rva, sizeof stream);
    return stream.ExceptionRecord.ExceptionCode;
  }
  return 0;
}

TEST(CrashHandler, NextDumpPathTakesTheFirstFreeNumber) {
  test_folder folder;
  std::string path = folder.url().substr(std::strlen("file://"));  // ends in "\"
  std::string bare = path.substr(0, path.size() - 1);
  EXPECT_EQ(next_crash_dump_path(path), path + "failure-1.dmp");
  EXPECT_EQ(next_crash_dump_path(bare), path + "failure-1.dmp");
  write_whole_file(folder / "failure-1.dmp", "x");
  write_whole_file(folder / "failure-3.dmp", "x");
  EXPECT_EQ(next_crash_dump_path(bare), path + "failure-2.dmp");
  write_whole_file(folder / "failure-2.dmp", "x");
  EXPECT_EQ(next_crash_dump_path(path), path + "failure-4.dmp");
}

TEST(CrashHandler, CrashWritesNumberedDumpsAndExitsWithZero) {
  test_folder folder;
  std::string path = folder.url().substr(std::strlen("file://"));

  ASSERT_EQ(run_crashing_child(path, false), 0u);
  std::string first = read_whole_file(folder / "failure-1.dmp");
  EXPECT_TRUE(first.starts_with("MDMP"));
  EXPECT_GT(first.size(), 4096u);
  EXPECT_EQ(dumped_exception_code(first), internal_error_code);

  // Without the trailing separator, and with failure-1 taken: the next number.
  ASSERT_EQ(run_crashing_child(path.substr(0, path.size() - 1), false), 0u);
  std::string second = read_whole_file(folder / "failure-2.dmp");
  EXPECT_TRUE(second.starts_with("MDMP"));
  EXPECT_EQ(read_whole_file(folder / "failure-1.dmp"), first);

  // A read-only profile gets no dump, and the crash still ends quietly.
  ASSERT_EQ(run_crashing_child(path, true), 0u);
  EXPECT_EQ(next_crash_dump_path(path), path + "failure-3.dmp");
}

// Run only by the test above, in a child process.
TEST(CrashChild, DISABLED_CrashesThroughTheHandler) {
  std::string folder = environment(k_folder_variable);
  if (folder.empty()) GTEST_SKIP() << "runs only as the crashing child";
  install_crash_handler(folder, environment(k_read_only_variable) == "1");
  internal_error_crash("crash handler test");
}

}  // namespace
