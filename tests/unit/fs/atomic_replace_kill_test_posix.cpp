// Replacement killed part-way: a child process replaces the target and is killed at a
// random moment. The target must then be the complete old file or the complete new one.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <iostream>
#include <random>
#include <string>

#include "fs/atomic_replace.h"
#include "test_folder.h"

using namespace lumo;
using lumo::testing::read_whole_file;
using lumo::testing::test_folder;
using lumo::testing::write_whole_file;

namespace {

std::string content(char fill, size_t size) {
  std::string s(size, fill);
  s.replace(0, 8, "version ");  // the two differ in length and in every byte after it
  return s;
}

void sleep_us(long us) {
  timespec t{us / 1'000'000, (us % 1'000'000) * 1000};
  nanosleep(&t, nullptr);
}

TEST(AtomicReplaceKilled, LeavesTheOldOrTheNewFileNeverAMix) {
  test_folder dir;
  const std::string target = dir / "library.dat";
  const std::string old_content = content('o', 300 * 1024);
  const std::string new_content = content('n', 700 * 1024);
  std::mt19937 random(20261206);
  int saw_old = 0, saw_new = 0;
  for (int round = 0; round < 24; ++round) {
    write_whole_file(target, old_content);
    const long delay_us = std::uniform_int_distribution<long>(0, 20'000)(random);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      replace_file_atomically(
          target,
          [&](file& f, const abort_signal& abort) {
            // Small pieces, so the kill can land inside the writing too.
            for (size_t at = 0; at < new_content.size(); at += 4096)
              f.write(new_content.data() + at, std::min<size_t>(4096, new_content.size() - at),
                      abort);
          },
          abort_none());
      _exit(0);
    }
    sleep_us(delay_us);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const std::string now = read_whole_file(target);
    const bool is_old = now == old_content;
    const bool is_new = now == new_content;
    EXPECT_TRUE(is_old || is_new) << "killed after " << delay_us << " us: " << now.size()
                                  << " bytes of neither";
    std::cout << "killed after " << delay_us << " us: "
              << (is_old   ? "old"
                  : is_new ? "new"
                           : "MIXED")
              << " file\n";
    saw_old += is_old;
    saw_new += is_new;
  }
  std::cout << "old " << saw_old << ", new " << saw_new << "\n";
}

}  // namespace
