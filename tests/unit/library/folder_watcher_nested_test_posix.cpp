// Changes below the top level and files that cannot be read yet, on the inotify backend.
#include <gtest/gtest.h>
#include <unistd.h>

#include "library/folder_watcher.h"
#include "library_test_support.h"

namespace lumo::testing {
namespace {

TEST(FolderWatcherNested, SubfolderChangesAndMovedFolders) {
  test_folder dir;
  const std::string root = root_of(dir);
  make_directory(dir / "Artist");
  make_directory(join_path(dir / "Artist", "Album"));
  const std::string album = join_path(dir / "Artist", "Album");
  write_whole_file(join_path(album, "1.wav"), make_wav({"One", "", "", ""}));
  change_sink sink;
  auto w = make_watcher(root, sink);
  w->start(0);
  ASSERT_TRUE(wait_until([&] { return sink.has(join_path(album, "1.wav")); }));

  // A new folder with files, made while monitoring (its watch is added on the fly).
  const std::string other = join_path(dir / "Artist", "Other");
  make_directory(other);
  write_whole_file(join_path(other, "2.wav"), make_wav({"Two", "", "", ""}));
  make_directory(join_path(other, "deep"));
  write_whole_file(join_path(join_path(other, "deep"), "3.wav"), make_wav({"Three", "", "", ""}));
  ASSERT_TRUE(wait_until([&] {
    return sink.has(join_path(other, "2.wav")) &&
           sink.has(join_path(join_path(other, "deep"), "3.wav"));
  }));

  // A renamed folder moves its tracks; later changes inside it use the new name.
  const std::string renamed = join_path(dir / "Artist", "Album (Remastered)");
  rename_path(album, renamed);
  ASSERT_TRUE(wait_until([&] {
    return sink.has(join_path(renamed, "1.wav")) && !sink.has(join_path(album, "1.wav"));
  }));
  EXPECT_EQ(sink.title_of(join_path(renamed, "1.wav")), "One");
  write_whole_file(join_path(renamed, "4.wav"), make_wav({"Four", "", "", ""}));
  ASSERT_TRUE(wait_until([&] { return sink.has(join_path(renamed, "4.wav")); }));

  // A folder moved out of the library takes its tracks along.
  test_folder outside;
  rename_path(other, outside / "Other");
  ASSERT_TRUE(wait_until([&] { return !sink.has(join_path(other, "2.wav")); }));
  EXPECT_FALSE(sink.has(join_path(join_path(other, "deep"), "3.wav")));
  // ...and changes there are no longer reported.
  write_whole_file(join_path(outside / "Other", "5.wav"), make_wav({"Five", "", "", ""}));
  write_whole_file(dir / "marker.wav", make_wav({"Marker", "", "", ""}));
  ASSERT_TRUE(wait_until([&] { return sink.has(dir / "marker.wav"); }));
  EXPECT_EQ(sink.present.size(), 3u);  // 1, 4 and the marker
  w->stop();
  remove_path(join_path(outside / "Other", "5.wav"));
  remove_path(join_path(join_path(outside / "Other", "deep"), "3.wav"));
  remove_path(join_path(outside / "Other", "deep"));
  remove_path(join_path(outside / "Other", "2.wav"));
  remove_path(outside / "Other");
}

TEST(FolderWatcherNested, UnreadableFileIsRetriedUntilItCanBeRead) {
  test_folder dir, elsewhere;
  // A link whose target does not exist yet: the scan lists it, but it cannot be opened.
  // Making the target changes nothing the watcher sees, so only the retry can find it.
  const std::string late = dir / "late.wav";
  ASSERT_EQ(::symlink(native_path(elsewhere / "target.wav").c_str(), native_path(late).c_str()), 0);
  change_sink sink;
  auto w = make_watcher(root_of(dir), sink);
  w->start(0);
  write_whole_file(dir / "seen.wav", make_wav({"Seen", "", "", ""}));
  ASSERT_TRUE(wait_until([&] { return sink.has(dir / "seen.wav"); }));
  EXPECT_FALSE(sink.has(late));
  write_whole_file(elsewhere / "target.wav", make_wav({"Late", "", "", ""}));
  ASSERT_TRUE(wait_until([&] { return sink.has(late); }));
  EXPECT_EQ(sink.title_of(late), "Late");
  w->stop();
  remove_path(late);
}

}  // namespace
}  // namespace lumo::testing
