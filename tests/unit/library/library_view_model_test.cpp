#include "library/library_view_model.h"

#include <gtest/gtest.h>

#include <random>

#include "core/exceptions.h"
#include "library/library_view_folders.h"
#include "library_view_test_support.h"

namespace lumo {
namespace {

using testing::labels;
using testing::make_item;
using testing::track_fields;

size_t index_of(const library_view_model& m, std::string_view key) {
  for (size_t i = 0; i < m.entries().size(); ++i)
    if (m.entries()[i].key == key) return i;
  ADD_FAILURE() << "no entry " << key;
  return 0;
}

std::vector<library_view_item> small_library() {
  return {
      make_item({"Intro", "Ann", "", "Rock 2", "First", "1", "", "1999"}, "file:///m/a1.mp3"),
      make_item({"Outro", "Ann", "", "Rock 2", "First", "2", "", "1999"}, "file:///m/a2.mp3"),
      make_item({"Later", "Ann", "", "Rock 10", "Second", "1", "", "2005"}, "file:///m/b1.mp3"),
      make_item({"Guest", "Ann", "Various", "rock 2", "Hits", "3", "", "2001"}, "file:///m/c3.mp3"),
      make_item({"Other", "Bob", "Various", "Pop", "Hits", "4", "", "2001"}, "file:///m/c4.mp3"),
      make_item({"Same", "Bob", "", "Pop", "First", "1", "", ""}, "file:///m/d1.mp3"),
  };
}

TEST(LibraryViewModel, LevelsTitlesAndOrdering) {
  library_view_model m;
  m.set_items(small_library());
  EXPECT_EQ(m.level(), view_level::genres);
  EXPECT_EQ(m.title().render(), "All genres");
  // Key 2 before 10; keys differing only in case are distinct, adjacent, by code unit.
  EXPECT_EQ(labels(m.entries()),
            (std::vector<std::string>{"All genres", "Pop", "Rock 2", "rock 2", "Rock 10"}));
  EXPECT_EQ(m.entries()[0].item_count, 6u);

  ASSERT_TRUE(m.choose({0}));
  EXPECT_EQ(m.title().render(), "All artists");
  EXPECT_EQ(m.navigation_path(), (std::vector<std::string>{"[all genres]"}));
  m.go_to_level(view_level::genres);
  ASSERT_TRUE(m.choose({index_of(m, "Rock 2")}));
  EXPECT_EQ(m.title().render(), "All artists in <a>Rock 2</a>");
  EXPECT_EQ(m.title().links(), (std::vector<view_link_target>{{0, "Rock 2"}}));
  EXPECT_EQ(labels(m.entries()), (std::vector<std::string>{"All artists", "Ann"}));

  // Under one artist: own albums by date, then another album artist's album, last.
  m.go_to_level(view_level::genres);
  ASSERT_TRUE(m.choose({0}));
  ASSERT_TRUE(m.choose({index_of(m, "Ann")}));
  EXPECT_EQ(m.title().render(), "All albums");
  EXPECT_EQ(labels(m.entries()),
            (std::vector<std::string>{"All songs", "First [1999]", "Second [2005]",
                                      "Hits [2001] // Various"}));
  // All artists: two albums titled "First" by different album artists are two entries.
  m.go_to_level(view_level::artists);
  ASSERT_TRUE(m.choose({0}));
  EXPECT_EQ(labels(m.entries()),
            (std::vector<std::string>{"All songs", "Ann - First [1999]", "Ann - Second [2005]",
                                      "Bob - First", "Various - Hits [2001]"}));

  ASSERT_TRUE(m.choose({index_of(m, "Ann\nFirst")}));
  EXPECT_EQ(m.level(), view_level::songs);
  EXPECT_EQ(labels(m.entries()), (std::vector<std::string>{"01. Intro", "02. Outro"}));
  EXPECT_EQ(m.title().render(), "Album: <a>First</a>, artist: <a>Ann</a>");
  EXPECT_FALSE(m.choose({0}));
}

TEST(LibraryViewModel, TitlesWithSeveralLinksAndMarkupInNames) {
  library_view_model m;
  m.set_items({
      make_item({"x", "A<b>c", "", "G<1>", "Al <i>", "1", "", ""}, "file:///1"),
      make_item({"y", "Dee", "", "Jazz", "Blue", "1", "", "1960"}, "file:///2"),
      make_item({"z", "Dee", "", "Jazz", "Green", "2", "", ""}, "file:///3"),
  });
  ASSERT_TRUE(m.choose({index_of(m, "G<1>"), index_of(m, "Jazz")}));
  EXPECT_EQ(m.title().render(), "All artists in <a>G < 1 ></a>, <a>Jazz</a>");
  EXPECT_EQ(m.navigation_path(), (std::vector<std::string>{"G<1>, Jazz"}));
  ASSERT_TRUE(m.choose({0}));
  EXPECT_EQ(m.title().render(), "<a>G < 1 ></a>, <a>Jazz</a> albums");
  ASSERT_TRUE(m.choose({index_of(m, "A<b>c\nAl <i>"), index_of(m, "Dee\nBlue")}));
  EXPECT_EQ(m.title().render(),
            "Albums: <a>Al < i ></a>, <a>Blue</a>, artist: <a>A < b > c</a>, <a>Dee</a>, "
            "genre: <a>G < 1 ></a>, <a>Jazz</a>");
  const auto links = m.title().links();
  ASSERT_EQ(links.size(), 6u);
  EXPECT_EQ(links[3], (view_link_target{1, "Dee"}));
  // Following an artist link keeps the genres and selects that artist.
  ASSERT_TRUE(m.follow_link(links[3]));
  EXPECT_EQ(m.level(), view_level::albums);
  EXPECT_EQ(m.navigation_path(), (std::vector<std::string>{"G<1>, Jazz", "Dee"}));
  EXPECT_EQ(labels(m.entries()), (std::vector<std::string>{"All songs", "Blue [1960]", "Green"}));

  EXPECT_EQ(space_angle_brackets("<b>x</b>"), "< b > x < /b >");
  EXPECT_EQ(space_angle_brackets("a < b >"), "a < b >");
  auto parsed = parse_link_text("Album: <a>X</a>, artist: <a>Y</a> <a>broken");
  ASSERT_EQ(parsed.size(), 5u);
  EXPECT_EQ(parsed[1].text, "X");
  EXPECT_TRUE(parsed[1].link.has_value());
  EXPECT_EQ(parsed[4].text, " <a>broken");
}

TEST(LibraryViewModel, ReplayOfSavedPaths) {
  auto items = small_library();
  library_view_model m;
  m.set_items(items);
  m.replay({"[all genres]", "Ann", "Ann\nSecond"});
  EXPECT_EQ(m.level(), view_level::songs);
  EXPECT_EQ(labels(m.entries()), (std::vector<std::string>{"01. Later"}));
  EXPECT_EQ(m.title().render(), "Album: <a>Second</a>, artist: <a>Ann</a>");

  // A key that no longer exists stops the replay at its level.
  library_view_model gone;
  gone.set_items(items);
  gone.replay({"Pop", "Nobody", "Bob\nFirst"});
  EXPECT_EQ(gone.level(), view_level::artists);
  EXPECT_EQ(gone.navigation_path(), (std::vector<std::string>{"Pop"}));
  // Several keys in one entry; one of them gone.
  library_view_model several;
  several.set_items(items);
  several.replay({"Pop, Jazz, Rock 10", "[albums by all artists]", "[songs from all albums]",
                  "ignored", "ignored too"});
  EXPECT_EQ(several.level(), view_level::songs);
  EXPECT_EQ(several.navigation_path(),
            (std::vector<std::string>{"Pop, Rock 10", "[albums by all artists]",
                                      "[songs from all albums]"}));
  EXPECT_EQ(several.entries().size(), 3u);
  EXPECT_EQ(several.title().render(), "<a>Pop</a>, <a>Rock 10</a> songs");
  library_view_model empty;
  empty.replay({"Pop"});
  EXPECT_EQ(empty.level(), view_level::genres);
  EXPECT_EQ(empty.entries().size(), 1u);
}

TEST(LibraryViewModel, NotificationsRebuildTheCurrentListAndDuplicatesShowOnce) {
  auto items = small_library();
  library_view_model m;
  m.set_items(items);
  m.replay({"Pop", "[albums by all artists]", "[songs from all albums]"});
  ASSERT_EQ(labels(m.entries()), (std::vector<std::string>{"01. Same", "04. Other // Bob"}));
  // The same song found twice (a copy elsewhere) is listed once.
  auto copy =
      testing::make_handle({"Same", "Bob", "", "Pop", "First", "1", "", ""}, "file:///n/d1.mp3");
  m.on_items_added({copy, copy});
  EXPECT_EQ(m.item_count(), 7u);
  EXPECT_EQ(labels(m.entries()), (std::vector<std::string>{"01. Same", "04. Other // Bob"}));
  auto extra =
      testing::make_handle({"New", "Bob", "", "Pop", "First", "2", "", ""}, "file:///m/d2.mp3");
  m.on_items_added({extra});
  EXPECT_EQ(labels(m.entries()),
            (std::vector<std::string>{"01. Same", "02. New", "04. Other // Bob"}));
  m.on_items_removed({items[5].handle, copy});
  EXPECT_EQ(labels(m.entries()), (std::vector<std::string>{"02. New", "04. Other // Bob"}));
  // A modified track is read again from its handle.
  auto changed = std::make_shared<track_summary>(*extra->summary().summary);
  changed->set_column(summary_column::title, "Renamed");
  extra->set_summary(changed, 2);
  EXPECT_EQ(labels(m.entries()), (std::vector<std::string>{"02. New", "04. Other // Bob"}));
  m.on_items_modified({extra});
  EXPECT_EQ(labels(m.entries()), (std::vector<std::string>{"02. Renamed", "04. Other // Bob"}));
}

// The songs list takes a few new tracks in place instead of sorting everything again;
// the result must be the list a full build makes, copies and restrictions included.
TEST(LibraryViewModel, TracksAddedToTheSongsListLandWhereAFullBuildPutsThem) {
  std::mt19937 rng(5);
  auto pick = [&](std::vector<std::string> options) { return options[rng() % options.size()]; };
  std::vector<library_view_item> all;
  for (int i = 0; i < 260; ++i) {
    track_fields f{pick({"Intro", "intro", "Song 2", "Song 10", "Song 02", "Ébauche", ""}),
                   pick({"Ann", "ann", "Bob", ""}),
                   pick({"", "", "Various"}),
                   pick({"Rock", "Pop", "Rock; Pop", ""}),
                   pick({"First", "Second 2", "Second 10"}),
                   pick({"1", "2", "10", ""}),
                   pick({"", "", "2"}),
                   pick({"1999", ""})};
    // Every fifth track is an exact copy of an earlier one in another folder.
    if (i % 5 == 4) {
      const track_summary& s = *all[rng() % all.size()].summary;
      auto c = [&](size_t i) { return std::string(s.column(summary_column(i))); };
      f = {c(0), c(1), c(2), c(3), c(4), c(5), c(6), c(7)};
    }
    all.push_back(make_item(
        f, "file:///m/" + std::to_string(rng() % 1000) + "/" + std::to_string(i) + ".mp3"));
  }
  const std::vector<std::vector<std::string>> paths = {
      {"[all genres]", "[albums by all artists]", "[songs from all albums]"},
      {"Rock", "[albums by all artists]", "[songs from all albums]"},
      {"[all genres]", "Ann", "[songs from all albums]"},
      {"[all genres]", "[albums by all artists]", "Various\nFirst"},
  };
  for (const auto& path : paths) {
    SCOPED_TRACE(path.back());
    library_view_model grown;
    grown.set_items({all.begin(), all.begin() + 150});
    grown.replay(path);
    ASSERT_EQ(grown.level(), view_level::songs);
    for (size_t have = 150; have < all.size();) {
      const size_t batch = std::min<size_t>(1 + rng() % 3, all.size() - have);
      std::vector<track_handle_ptr> added;
      for (size_t k = 0; k < batch; ++k) added.push_back(all[have + k].handle);
      have += batch;
      grown.on_items_added(added);
      library_view_model fresh;
      fresh.set_items({all.begin(), all.begin() + ptrdiff_t(have)});
      fresh.replay(path);
      ASSERT_EQ(grown.entries().size(), fresh.entries().size()) << have;
      for (size_t e = 0; e < fresh.entries().size(); ++e) {
        ASSERT_EQ(grown.entries()[e].key, fresh.entries()[e].key) << e;
        ASSERT_EQ(grown.entries()[e].label, fresh.entries()[e].label) << e;
        ASSERT_EQ(grown.items_of(e).at(0).handle, fresh.items_of(e).at(0).handle) << e;
      }
    }
  }
}

TEST(LibraryViewModel, ArtistSuffixFromTheLanguageIsQuoted) {
  // A translation's suffix may hold characters that are script syntax.
  auto p = library_view_patterns::compile(" (par {artist}) l'[x]%$");
  library_view_model m(std::move(p));
  m.set_items({make_item({"t", "Art", "Boss", "g", "Al", "1", "", ""}, "file:///1")});
  m.replay({"g", "[albums by all artists]", "[songs from all albums]"});
  EXPECT_EQ(labels(m.entries()), (std::vector<std::string>{"01. t (par Art) l'[x]%$"}));
  EXPECT_THROW(library_view_patterns::compile(" // artist"), kel::exception_bug_check_v2);
}

TEST(MusicFolderNames, KnownFoldersLastComponentsAndCounting) {
  known_music_folders known{"C:\\Users\\Me\\Music", "C:\\Users\\Public\\Music"};
  EXPECT_EQ(music_folder_display_names(
                {"c:\\users\\me\\music\\", "C:\\Users\\Public\\Music", "D:\\Audio\\Music",
                 "E:\\Music", "F:\\x\\Music\\", "G:\\", "Music", "Music (2)", "."},
                known),
            (std::vector<std::string>{"My music", "Shared music", "Music", "Music (2)", "Music (3)",
                                      "G:\\", "Music (4)", "Music (2) (2)", "."}));
}

}  // namespace
}  // namespace lumo
