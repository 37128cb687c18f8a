// The window's browser on the real media library: filled from it, following its
// notifications, and browsing its folders.
#include <gtest/gtest.h>

#include "library/library_settings.h"
#include "library/media_library.h"
#include "library_test_support.h"
#include "ui/library_view_browser.h"

namespace lumo::testing {
namespace {

std::vector<std::string> no_windows_folders() {
  return {};
}

std::vector<std::string> labels(const library_browser& b) {
  std::vector<std::string> out;
  for (size_t i = 0; i < b.entry_count(); ++i) out.push_back(b.entry_label(i));
  return out;
}

TEST(LibraryViewBrowserOnTheLibrary, ListsWhatTheLibraryHoldsAndFollowsItsChanges) {
  test_folder profile, music;
  write_whole_file(music / "a.wav", make_wav({"Alpha", "Band", "Record", "1"}));
  write_whole_file(music / "b.wav", make_wav({"Beta", "Band", "Record", "2"}));
  set_library_include_windows_folders(false);
  set_library_monitor_folders(true);
  set_library_additional_folders({native_path(root_of(music))});
  media_library_options options;
  options.profile_folder = native_path(root_of(profile));
  options.windows_folders = &no_windows_folders;
  options.quiet = true;
  media_library& library = media_library::get();
  library.configure(std::move(options));
  {
    library_view_browser b(system_browse_environment());
    std::vector<size_t> shown;  // the entry count each time the window would be told
    b.on_changed = [&] { shown.push_back(b.entry_count()); };
    b.attach_media_library();
    b.go_to({navigation_target::albums, {}});
    b.open_entries({0});  // every song
    ASSERT_TRUE(wait_until([&] { return b.entry_count() == 2 && !library.is_indexing(); }));
    EXPECT_EQ(labels(b), (std::vector<std::string>{"01. Alpha", "02. Beta"}));
    EXPECT_EQ(b.title(), "All songs");
    EXPECT_EQ(b.folder_count(), 1u);
    EXPECT_FALSE(b.is_indexing());

    // A new file reaches the shown list; the browser speaks after the model has taken it.
    write_whole_file(music / "c.wav", make_wav({"Gamma", "Band", "Record", "3"}));
    ASSERT_TRUE(wait_until([&] { return b.entry_count() == 3; }));
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), 3u);
    EXPECT_EQ(b.location().path,
              (std::vector<std::string>{std::string(all_genres_key), std::string(all_artists_key),
                                        std::string(all_albums_key)}));

    // A browser attached with a saved place shows it at once: "all" keys, and keys that
    // exist only once the library's tracks are in.
    library_view_browser songs(system_browse_environment());
    songs.attach_media_library(b.location());
    EXPECT_EQ(labels(songs), labels(b));
    EXPECT_EQ(songs.location(), b.location());
    library_view_browser albums(system_browse_environment());
    albums.attach_media_library({navigation_target::genres, {"?", "Band"}});
    EXPECT_EQ(labels(albums), (std::vector<std::string>{"All songs", "Record"}));
    EXPECT_EQ(albums.title(), "<a>?</a> albums");

    // The music folders view: the library's folder by its name, then its files, each
    // the very handle the library holds.
    b.go_to({navigation_target::music_folders, {}});
    EXPECT_EQ(labels(b),
              (std::vector<std::string>{last_path_component(native_path(root_of(music)))}));
    b.open_entries({0});
    ASSERT_TRUE(wait_until([&] { return b.is_listed() && b.entry_count() == 3; }));
    EXPECT_EQ(labels(b), (std::vector<std::string>{"a.wav", "b.wav", "c.wav"}));
    const std::vector<track_location> a = b.tracks_of({0});
    ASSERT_EQ(a.size(), 1u);
    EXPECT_TRUE(library.is_in_library(get_track_handle(a.front())));
  }
  // The browser has unregistered: later changes reach only the library.
  write_whole_file(music / "d.wav", make_wav({"Delta", "Band", "Record", "4"}));
  EXPECT_TRUE(wait_until([&] { return library.get_all().size() == 4; }));
  library.configure({});
  set_library_additional_folders({});
  set_library_include_windows_folders(true);
}

}  // namespace
}  // namespace lumo::testing
