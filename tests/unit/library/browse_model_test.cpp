#include "library/browse_model.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/main_thread.h"
#include "fs/native_fs.h"
#include "library/browse_platform.h"
#include "library/browse_session.h"
#include "library_test_support.h"
#include "test_folder.h"

namespace lumo {
namespace {

using testing::wait_until;

std::vector<std::string> names(const std::map<std::string, browse_entry, logical_less>& m) {
  std::vector<std::string> out;
  for (const auto& [name, entry] : m) out.push_back(entry.name);
  return out;
}

TEST(BrowseModel, DrivesShowTheirLabels) {
  const auto root = computer_root_from({{"C:\\", "Data"}, {"D:\\", ""}});
  ASSERT_EQ(root.size(), 2u);
  EXPECT_EQ(root[0].name, "C:\\ [Data]");
  EXPECT_EQ(root[0].path, "C:\\");
  EXPECT_EQ(root[1].name, "D:\\");
  EXPECT_EQ(root[1].kind, browse_entry_kind::drive);
  EXPECT_FALSE(computer_root().empty());
  const auto folders = music_folders_root({"/a/Music", "/b/Music"}, {});
  EXPECT_EQ(folders[1].name, "Music (2)");
  EXPECT_EQ(folders[1].path, "/b/Music");
}

TEST(BrowseModel, ListsFoldersAndPlayableFilesInLogicalOrder) {
  testing::test_folder dir;
  const std::string path = native_fs::canonical_path(dir.url());
  for (const char* name : {"Track 10.wav", "Track 2.wav", "notes.txt", ".hidden.wav", "folder.jpg",
                           "Cover.JPG", "track 02.WAV"})
    testing::write_whole_file(dir / name, "x");
  for (const char* name : {"Disc 10", "Disc 2", ".thumbnails", "disc 02"})
    native_fs::create_directory(browse_platform::join_path(path, name));

  const folder_listing listing = list_folder(path, abort_none());
  // "Disc 2" and "disc 02" are equal under the comparison: one entry, the first listed.
  ASSERT_EQ(listing.folders.size(), 2u);
  EXPECT_EQ(names(listing.folders).back(), "Disc 10");
  ASSERT_EQ(listing.files.size(), 2u);
  EXPECT_EQ(names(listing.files).back(), "Track 10.wav");
  const browse_entry& first = listing.files.begin()->second;
  EXPECT_EQ(first.path, browse_platform::join_path(path, first.name));
  // The same handle the library uses for that file.
  EXPECT_EQ(first.handle, get_track_handle(track_location{"file://" + first.path, 0}));
  // The picture: cover.jpg ranks before folder.jpg, whatever its letter case; it is
  // not listed, as no input plays pictures.
  ASSERT_TRUE(listing.picture.has_value());
  EXPECT_EQ(*listing.picture, browse_platform::join_path(path, "Cover.JPG"));
  testing::write_whole_file(dir / "FRONT.jpg", "x");
  EXPECT_EQ(*list_folder(path, abort_none()).picture,
            browse_platform::join_path(path, "FRONT.jpg"));
  // Accepting everything lists the pictures and the text file too, never hidden names.
  const auto all = list_folder(path, abort_none(), [](std::string_view) { return true; });
  EXPECT_EQ(all.files.size(), 6u);
  for (const auto& [name, e] : all.files) EXPECT_NE(name.front(), '.');

  EXPECT_THROW(list_folder(browse_platform::join_path(path, "missing"), abort_none()),
               sonatrix_io::exception_io);
  abort_source aborted;
  aborted.abort();
  EXPECT_THROW(list_folder(path, aborted), kel::exception_aborted);
}

TEST(BrowseSession, RelistsTheShownFolderWhenItChanges) {
  testing::test_folder dir;
  const std::string path = native_fs::canonical_path(dir.url());
  testing::write_whole_file(dir / "one.wav", "x");
  std::vector<folder_listing> listings;
  std::string error;
  {
    browse_session session(
        path, [&](folder_listing l) { listings.push_back(std::move(l)); },
        [&](const std::string& e) { error = e; });
    ASSERT_TRUE(wait_until([&] { return !listings.empty(); }));
    EXPECT_EQ(names(listings.back().files), (std::vector<std::string>{"one.wav"}));
    testing::write_whole_file(dir / "two.wav", "x");
    ASSERT_TRUE(wait_until([&] { return listings.back().files.size() == 2; }));
  }
  // Nothing arrives once the session has ended.
  const size_t count = listings.size();
  testing::write_whole_file(dir / "three.wav", "x");
  run_pending(drain::until_empty);
  EXPECT_EQ(listings.size(), count);
  EXPECT_TRUE(error.empty());

  browse_session missing(
      browse_platform::join_path(path, "gone"), [&](folder_listing) {},
      [&](const std::string& e) { error = e; });
  ASSERT_TRUE(wait_until([&] { return !error.empty(); }));
}

}  // namespace
}  // namespace lumo
