#include "ui/library_view_browser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/main_thread.h"
#include "fs/native_fs.h"
#include "library/browse_platform.h"
#include "library_test_support.h"
#include "library_view_test_support.h"
#include "test_folder.h"

namespace lumo {
namespace {

using browse_platform::join_path;
using testing::make_handle;
using testing::track_fields;
using testing::wait_until;

std::vector<std::string> labels(const library_browser& b) {
  std::vector<std::string> out;
  for (size_t i = 0; i < b.entry_count(); ++i) out.push_back(b.entry_label(i));
  return out;
}

browse_environment test_environment(std::vector<std::string> music_folders) {
  browse_environment env;
  env.music_folders = [music_folders] { return music_folders; };
  env.known_folders = [] { return known_music_folders{}; };
  env.drives = [] { return computer_root_from({{"C:\\", "Data"}, {"D:\\", ""}}); };
  env.accepts = [](std::string_view path) { return path.ends_with(".wav"); };
  return env;
}

// A test folder's native path without its trailing separator, as the library names folders.
std::string path_of(const testing::test_folder& folder) {
  std::string path = native_fs::canonical_path(folder.url());
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  return path;
}

std::string url_of(const std::string& native) {
  return "file://" + native;
}

struct library_fixture {
  std::string root;  // a native folder the tracks claim to lie in
  std::vector<track_handle_ptr> handles;
  track_handle_ptr add(const track_fields& f, const std::string& relative_folder,
                       const std::string& file) {
    std::string folder = root;
    if (!relative_folder.empty()) folder = join_path(root, relative_folder);
    handles.push_back(make_handle(f, url_of(join_path(folder, file))));
    return handles.back();
  }
};

library_fixture make_library(const std::string& root) {
  library_fixture lib{root, {}};
  lib.add({"Opening", "Blue Trio", "Blue Trio", "Jazz", "Night Walk", "1", "", "2005"},
          "Night Walk", "1.wav");
  lib.add({"Streetlights", "Blue Trio", "Blue Trio", "Jazz", "Night Walk", "2", "", "2005"},
          "Night Walk", "2.wav");
  lib.add({"Dawn", "Blue Trio", "Blue Trio", "Jazz", "Morning", "1", "", "1999"}, "Morning",
          "1.wav");
  lib.add({"Spark", "Stone Lane", "Stone Lane", "Rock", "First Light", "1", "", "2010"},
          "First Light", "1.wav");
  lib.add({"Duet", "Guest", "Stone Lane", "Rock", "First Light", "2", "", "2010"}, "First Light",
          "2.wav");
  lib.add({"Loud", "Pulse Unit", "Pulse Unit", "rock", "Circuits", "1", "", ""}, "", "loud.wav");
  return lib;
}

TEST(LibraryViewBrowser, DrillsDownTheLibraryWithTitlesLinksAndAllEntries) {
  const library_fixture lib = make_library(join_path(join_path("", "m"), "lib"));
  library_view_browser b(test_environment({lib.root}));
  size_t changes = 0;
  b.on_changed = [&] { ++changes; };
  b.set_library_items(lib.handles);
  EXPECT_EQ(changes, 1u);
  EXPECT_FALSE(b.is_folder_view());
  EXPECT_EQ(b.folder_count(), 1u);
  // Letter case decides only between keys the logical comparison finds equal.
  EXPECT_EQ(labels(b), (std::vector<std::string>{"All genres", "Jazz", "Rock", "rock"}));
  EXPECT_EQ(b.title(), "All genres");
  EXPECT_TRUE(b.entry_is_all(0));
  EXPECT_FALSE(b.entry_is_all(1));
  EXPECT_TRUE(b.entry_opens(1));

  b.open_entries({1});
  EXPECT_EQ(labels(b), (std::vector<std::string>{"All artists", "Blue Trio"}));
  EXPECT_EQ(b.title(), "All artists in <a>Jazz</a>");
  b.open_entries({1});
  // One artist: the albums by date, labelled with the album and its date.
  EXPECT_EQ(labels(b),
            (std::vector<std::string>{"All songs", "Morning [1999]", "Night Walk [2005]"}));
  EXPECT_EQ(b.title(), "<a>Jazz</a> albums");
  EXPECT_EQ(b.tracks_of({0}).size(), 3u);
  EXPECT_EQ(b.tracks_of({0, 1}).size(), 3u);  // the "all" entry stands for the level
  b.open_entries({2});
  EXPECT_EQ(labels(b), (std::vector<std::string>{"01. Opening", "02. Streetlights"}));
  EXPECT_FALSE(b.entry_opens(0));
  EXPECT_FALSE(b.entry_is_all(0));
  EXPECT_EQ(b.title(), "Album: <a>Night Walk</a>, artist: <a>Blue Trio</a>, genre: <a>Jazz</a>");
  const browser_location songs = b.location();
  EXPECT_EQ(songs.view, navigation_target::genres);
  EXPECT_EQ(songs.path, (std::vector<std::string>{"Jazz", "Blue Trio", "Blue Trio\nNight Walk"}));
  EXPECT_EQ(b.tracks_of({1}), (std::vector<track_location>{lib.handles[1]->location()}));
  b.open_entries({0});  // the songs level opens nothing
  EXPECT_EQ(b.location(), songs);

  // Title links: the artist shows its albums (still within the genre), the genre its
  // artists.
  b.open_title_link(1);
  EXPECT_EQ(b.location().path, (std::vector<std::string>{"Jazz", "Blue Trio"}));
  EXPECT_EQ(b.title(), "<a>Jazz</a> albums");
  b.open_title_link(0);
  EXPECT_EQ(b.location().path, (std::vector<std::string>{"Jazz"}));
  b.open_title_link(5);  // no such link: nothing happens
  EXPECT_EQ(b.location().path, (std::vector<std::string>{"Jazz"}));

  // The whole library through the "all" entries; a track artist is named after the title.
  b.go_to({navigation_target::albums, {}});
  EXPECT_EQ(b.location().path,
            (std::vector<std::string>{std::string(all_genres_key), std::string(all_artists_key)}));
  EXPECT_EQ(labels(b),
            (std::vector<std::string>{"All songs", "Blue Trio - Morning [1999]",
                                      "Blue Trio - Night Walk [2005]", "Pulse Unit - Circuits",
                                      "Stone Lane - First Light [2010]"}));
  b.open_entries({0});
  EXPECT_EQ(b.title(), "All songs");
  EXPECT_EQ(b.entry_count(), 6u);
  EXPECT_EQ(b.entry_label(5), "02. Duet // Guest");
  b.go_to({navigation_target::artists, {}});
  EXPECT_EQ(labels(b), (std::vector<std::string>{"All artists", "Blue Trio", "Guest", "Pulse Unit",
                                                 "Stone Lane"}));
  EXPECT_EQ(b.title(), "All artists");

  // The now-playing links: an artist's albums, an album's songs.
  b.show_artist("Stone Lane");
  EXPECT_EQ(labels(b), (std::vector<std::string>{"All songs", "First Light [2010]"}));
  b.show_album("Blue Trio", "Morning");
  EXPECT_EQ(labels(b), (std::vector<std::string>{"01. Dawn"}));
  // An artist who is only a track artist: the album appears as another artist's.
  b.show_artist("Guest");
  EXPECT_EQ(labels(b), (std::vector<std::string>{"All songs", "First Light [2010] // Stone Lane"}));

  // Several keys at once, saved as one path entry and replayed.
  b.go_to({});
  b.open_entries({2, 3});
  EXPECT_EQ(b.location().path, (std::vector<std::string>{"Rock, rock"}));
  EXPECT_EQ(b.title(), "All artists in <a>Rock</a>, <a>rock</a>");
  b.open_title_link(1);
  EXPECT_EQ(b.location().path, (std::vector<std::string>{"rock"}));
}

TEST(LibraryViewBrowser, ReplaysASavedPathAndFollowsLibraryChanges) {
  const library_fixture lib = make_library(join_path(join_path("", "m"), "lib"));
  library_view_browser first(test_environment({}));
  first.set_library_items(lib.handles);
  first.go_to({navigation_target::genres, {"Jazz", "Blue Trio", "Blue Trio\nNight Walk"}});
  EXPECT_EQ(labels(first), (std::vector<std::string>{"01. Opening", "02. Streetlights"}));

  // A new browser (the next start) handed the saved location shows the same list.
  library_view_browser next(test_environment({}));
  next.set_library_items(lib.handles);
  next.go_to(first.location());
  EXPECT_EQ(labels(next), labels(first));
  EXPECT_EQ(next.title(), first.title());
  // A key that has gone stops the replay at its level.
  next.go_to({navigation_target::genres, {"Jazz", "Nobody", "Nobody\nNothing"}});
  EXPECT_EQ(next.location().path, (std::vector<std::string>{"Jazz"}));
  EXPECT_EQ(labels(next), (std::vector<std::string>{"All artists", "Blue Trio"}));
  // Going back up rebuilds from the kept selections.
  next.go_to({navigation_target::genres, {"Jazz", "Blue Trio"}});
  next.go_to({navigation_target::genres, {"Jazz"}});
  EXPECT_EQ(labels(next), (std::vector<std::string>{"All artists", "Blue Trio"}));

  // Library changes rebuild the shown list in place.
  size_t changes = 0;
  next.on_changed = [&] { ++changes; };
  std::vector<track_handle_ptr> more = lib.handles;
  more.push_back(make_handle({"Blue", "Miles Ahead", "Miles Ahead", "Jazz", "Kind", "1", "", ""},
                             "file:///elsewhere/blue.wav"));
  next.set_library_items(more);
  EXPECT_EQ(changes, 1u);
  EXPECT_EQ(labels(next), (std::vector<std::string>{"All artists", "Blue Trio", "Miles Ahead"}));
  EXPECT_EQ(next.location().path, (std::vector<std::string>{"Jazz"}));
}

TEST(LibraryViewBrowser, FoldersAreListedOnAWorkerAndWatchedWhileShown) {
  testing::test_folder dir;
  const std::string root = path_of(dir);
  const std::string jazz = join_path(root, "Jazz");
  std::filesystem::create_directories(std::filesystem::u8path(join_path(jazz, "Sub")));
  testing::write_whole_file(url_of(join_path(jazz, "a.wav")), "x");
  testing::write_whole_file(url_of(join_path(jazz, "b.wav")), "x");
  testing::write_whole_file(url_of(join_path(root, "z.wav")), "x");
  testing::write_whole_file(url_of(join_path(root, "notes.txt")), "x");
  testing::write_whole_file(url_of(join_path(root, ".hidden.wav")), "x");

  library_view_browser b(test_environment({root}));
  size_t changes = 0;
  b.on_changed = [&] { ++changes; };
  b.go_to({navigation_target::music_folders, {}});
  EXPECT_TRUE(b.is_folder_view());
  EXPECT_TRUE(b.is_listed());
  EXPECT_EQ(labels(b), (std::vector<std::string>{last_path_component(root)}));
  EXPECT_EQ(b.title(), "Music folders");
  EXPECT_TRUE(b.entry_opens(0));
  EXPECT_FALSE(b.entry_is_all(0));

  b.open_entries({0});
  ASSERT_TRUE(wait_until([&] { return b.is_listed(); }));
  // Folders first, then the files an input takes; dot names never.
  EXPECT_EQ(labels(b), (std::vector<std::string>{"Jazz", "z.wav"}));
  const std::string name = last_path_component(root);
  EXPECT_EQ(b.title(), "<a>Music folders</a> \xe2\x80\xba " + name);
  EXPECT_TRUE(b.entry_opens(0));
  EXPECT_FALSE(b.entry_opens(1));
  EXPECT_EQ(b.tracks_of({1}), (std::vector<track_location>{{url_of(join_path(root, "z.wav")), 0}}));

  b.open_entries({1, 0});  // the first entry that opens
  ASSERT_TRUE(wait_until([&] { return b.is_listed(); }));
  EXPECT_EQ(labels(b), (std::vector<std::string>{"Sub", "a.wav", "b.wav"}));
  EXPECT_EQ(b.location(), (browser_location{navigation_target::music_folders, {root, jazz}}));
  EXPECT_EQ(b.title(), "<a>Music folders</a> \xe2\x80\xba <a>" + name + "</a> \xe2\x80\xba Jazz");
  // The shown folder is watched: a new file is listed without asking.
  testing::write_whole_file(url_of(join_path(jazz, "c.wav")), "x");
  ASSERT_TRUE(wait_until([&] { return b.entry_count() == 4; }));
  EXPECT_EQ(b.entry_label(3), "c.wav");

  // The saved location opens the same folder in a new browser.
  library_view_browser next(test_environment({root}));
  next.go_to(b.location());
  EXPECT_FALSE(next.is_listed());
  ASSERT_TRUE(wait_until([&] { return next.is_listed(); }));
  EXPECT_EQ(labels(next), labels(b));

  // Title links lead back up.
  b.open_title_link(1);
  ASSERT_TRUE(wait_until([&] { return b.is_listed(); }));
  EXPECT_EQ(labels(b), (std::vector<std::string>{"Jazz", "z.wav"}));
  b.open_title_link(0);
  EXPECT_EQ(b.location(), (browser_location{navigation_target::music_folders, {}}));

  // A folder that cannot be listed says why in the title and lists nothing.
  b.go_to({navigation_target::computer, {join_path(root, "missing")}});
  ASSERT_TRUE(wait_until([&] { return b.is_listed(); }));
  EXPECT_EQ(b.entry_count(), 0u);
  EXPECT_NE(b.title().find(" ("), std::string::npos) << b.title();

  // The computer root comes from a worker too, drives with their labels.
  b.go_to({navigation_target::computer, {}});
  ASSERT_TRUE(wait_until([&] { return b.is_listed(); }));
  EXPECT_EQ(labels(b), (std::vector<std::string>{"C:\\ [Data]", "D:\\"}));
  EXPECT_EQ(b.title(), "my computer");
  EXPECT_GT(changes, 0u);
}

TEST(LibraryViewBrowser, GoesToTheFolderHoldingTheChosenTracks) {
  testing::test_folder dir;
  const std::string root = path_of(dir);
  library_fixture lib = make_library(root);
  testing::test_folder other;
  const std::string outside = path_of(other);
  lib.handles.push_back(make_handle({"Far", "Far Away", "Far Away", "Jazz", "Away", "1", "", ""},
                                    url_of(join_path(outside, "far.wav"))));
  for (const char* folder : {"Night Walk", "Morning", "First Light"})
    std::filesystem::create_directories(std::filesystem::u8path(join_path(root, folder)));
  testing::write_whole_file(url_of(join_path(join_path(root, "Night Walk"), "1.wav")), "x");
  testing::write_whole_file(url_of(join_path(outside, "far.wav")), "x");

  library_view_browser b(test_environment({root}));
  b.set_library_items(lib.handles);
  // One album: its own folder, inside the music folder.
  b.go_to({navigation_target::genres, {"Jazz", "Blue Trio", "Blue Trio\nNight Walk"}});
  ASSERT_TRUE(b.go_to_folder_of({0, 1}));
  EXPECT_EQ(b.location(), (browser_location{navigation_target::music_folders,
                                            {root, join_path(root, "Night Walk")}}));
  ASSERT_TRUE(wait_until([&] { return b.is_listed(); }));
  EXPECT_EQ(labels(b), (std::vector<std::string>{"1.wav"}));
  // A folder entry plays what the library holds below it.
  b.go_to({navigation_target::music_folders, {root}});
  ASSERT_TRUE(wait_until([&] { return b.is_listed(); }));
  ASSERT_EQ(labels(b), (std::vector<std::string>{"First Light", "Morning", "Night Walk"}));
  EXPECT_EQ(b.tracks_of({2}),
            (std::vector<track_location>{lib.handles[0]->location(), lib.handles[1]->location()}));

  // Two albums: the folder both lie in.
  b.go_to({navigation_target::genres, {"Jazz", "Blue Trio"}});
  ASSERT_TRUE(b.go_to_folder_of({0}));
  EXPECT_EQ(b.location(), (browser_location{navigation_target::music_folders, {root}}));
  // Outside every music folder: the computer view, from the drive down.
  b.go_to({navigation_target::genres, {"Jazz", "Far Away"}});
  ASSERT_TRUE(b.go_to_folder_of({1}));
  const browser_location far = b.location();
  EXPECT_EQ(far.view, navigation_target::computer);
  ASSERT_FALSE(far.path.empty());
  EXPECT_EQ(far.path.back(), outside);
  EXPECT_EQ(folder_chain(far.path.front(), outside), far.path);
  // Tracks in no common folder, or none at all: nothing changes.
  b.go_to({navigation_target::genres, {"Jazz", "Blue Trio"}});
  EXPECT_FALSE(b.go_to_folder_of({}));
  EXPECT_EQ(b.location().path, (std::vector<std::string>{"Jazz", "Blue Trio"}));
}

TEST(LibraryViewBrowser, SavedLocationsSurviveLineFeedsAndBackslashesInKeys) {
  const browser_location album{navigation_target::genres,
                               {"[all genres]", "AC\\DC", "AC\\DC\nBack\\n Black", "x"}};
  EXPECT_EQ(decode_browser_location(encode_browser_location(album)), album);
  const browser_location deep{navigation_target::computer,
                              {"C:\\", "C:\\a", "C:\\a\\b", "C:\\a\\b\\c", "C:\\a\\b\\c\\d"}};
  EXPECT_EQ(decode_browser_location(encode_browser_location(deep)), deep);
  EXPECT_EQ(decode_browser_location(encode_browser_location({})), browser_location{});
  // Damaged or foreign text: the genres view, a library path cut to four entries.
  EXPECT_EQ(decode_browser_location(""), browser_location{});
  EXPECT_EQ(decode_browser_location("9\nx").view, navigation_target::genres);
  EXPECT_EQ(decode_browser_location("-1").view, navigation_target::genres);
  EXPECT_EQ(decode_browser_location("0\na\nb\nc\nd\ne").path.size(), 4u);
  EXPECT_EQ(decode_browser_location("3").view, navigation_target::music_folders);
  EXPECT_EQ(decode_browser_location("0\nends in \\").path,
            (std::vector<std::string>{"ends in \\"}));
}

TEST(LibraryViewBrowser, CommonFolderAndChainRespectComponentBoundaries) {
  EXPECT_EQ(common_folder({"C:\\m\\a\\1.mp3", "C:\\m\\a\\2.mp3"}), "C:\\m\\a");
  EXPECT_EQ(common_folder({"C:\\m\\a\\1.mp3", "c:\\M\\b\\2.mp3"}), "C:\\m");
  EXPECT_EQ(common_folder({"C:\\m\\a\\1.mp3", "C:\\m\\ab\\2.mp3"}), "C:\\m");
  EXPECT_EQ(common_folder({"C:\\a.mp3", "C:\\b\\c.mp3"}), "C:\\");
  EXPECT_EQ(common_folder({"C:\\a.mp3", "D:\\b.mp3"}), "");
  EXPECT_EQ(common_folder({"/m/a/1.mp3", "/m/ab/2.mp3"}), "/m");
  EXPECT_EQ(common_folder({"/a.mp3", "/b/c.mp3"}), "/");
  EXPECT_EQ(common_folder({"a.mp3"}), "");
  EXPECT_EQ(common_folder({}), "");

  const std::string root = join_path(join_path("", "m"), "Music");
  const std::string jazz = join_path(root, "Jazz");
  const std::string trio = join_path(jazz, "Trio");
  EXPECT_EQ(folder_chain(root, trio), (std::vector<std::string>{root, jazz, trio}));
  EXPECT_EQ(folder_chain(root, root), (std::vector<std::string>{root}));
  EXPECT_TRUE(folder_chain(root, root + "al").empty());
  EXPECT_TRUE(folder_chain(jazz, root).empty());
}

}  // namespace
}  // namespace lumo
