// Folder expansion against links and very deep trees (symbolic links need no privilege
// here, unlike on Windows).

#include <gtest/gtest.h>

#include <filesystem>

#include "app/command_line_processing.h"
#include "test_folder.h"

using namespace lumo;
using lumo::testing::test_folder;
using lumo::testing::write_whole_file;
using strings = std::vector<std::string>;

TEST(CommandLineFolders, LinksAreNotFollowedAndDepthIsLimited) {
  test_folder dir;
  const std::filesystem::path base = dir.url().substr(7);
  std::filesystem::create_directories(base / "Album");
  write_whole_file(dir / "Album/01.flac", "x");
  // A link back to its own folder would otherwise be scanned for ever.
  std::filesystem::create_directory_symlink(base / "Album", base / "Album" / "again");
  std::filesystem::create_directory_symlink(base / "Album", base / "Linked");
  EXPECT_EQ(expand_path_argument(base.string(), "/"), strings{dir / "Album/01.flac"});

  // 70 nested folders: the files down to the limit are found, the deeper one is not.
  std::filesystem::path deep = base / "Deep";
  std::string relative = "Deep";
  for (int i = 0; i < 70; ++i) {
    deep /= "d";
    relative += "/d";
    if (i == 10) {
      std::filesystem::create_directories(deep);
      write_whole_file(dir / (relative + "/shallow.flac"), "x");
    }
  }
  std::filesystem::create_directories(deep);
  write_whole_file(dir / (relative + "/deep.flac"), "x");
  strings found = expand_path_argument((base / "Deep").string(), "/");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_TRUE(found[0].ends_with("/shallow.flac"));
}
