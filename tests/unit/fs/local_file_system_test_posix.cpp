#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "fs/file_system.h"

using namespace lumo;

TEST(LocalFileSystemPosix, CanonicalPathsAreAbsoluteAndNormal) {
  // Natively the path follows "file://" unchanged: three slashes are just a root.
  EXPECT_EQ(make_canonical_path("file:///tmp/a/../b/./c"), "file:///tmp/b/c");
  EXPECT_EQ(make_canonical_path("/tmp//x"), "file:///tmp/x");
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(make_canonical_path("rel/y"), "file://" + std::string(cwd) + "/rel/y");
}
