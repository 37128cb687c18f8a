#include "fs/long_path.h"

#include <gtest/gtest.h>

using lumo::from_long_path;
using lumo::to_long_path;

TEST(LongPath, PrefixesAbsolutePathsAndLeavesRelativeOnes) {
  struct {
    const char* path;
    const char* expected;
  } cases[] = {
      {"C:\\Music\\a.mp3", "\\\\?\\C:\\Music\\a.mp3"},
      {"\\\\server\\share\\a.mp3", "\\\\?\\UNC\\server\\share\\a.mp3"},
      {"\\\\?\\C:\\a", "\\\\?\\C:\\a"},
      {"..\\a.mp3", "..\\a.mp3"},
      {"C:\\Music\\..\\a.mp3", "C:\\Music\\..\\a.mp3"},
      {"C:\\Music\\..a\\b", "\\\\?\\C:\\Music\\..a\\b"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(to_long_path(c.path), c.expected) << c.path;
    std::string_view path = c.path;
    if (path.find("..\\") == std::string_view::npos && !path.starts_with("\\\\?")) {
      EXPECT_EQ(from_long_path(to_long_path(c.path)), c.path) << c.path;
    }
  }
  EXPECT_EQ(from_long_path("C:\\plain"), "C:\\plain");
}
