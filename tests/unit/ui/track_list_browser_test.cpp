#include "ui/track_list_browser.h"

#include <gtest/gtest.h>

#include "ui/engineless_playback.h"

namespace lumo {
namespace {

listed_track make(std::string file, std::string genre, std::string album_artist, std::string album,
                  std::string number, std::string title, std::string artist = "") {
  listed_track t;
  t.location = {"file:///m/" + file, 0};
  auto& c = t.summary.columns;
  c[size_t(summary_column::genre)] = genre;
  c[size_t(summary_column::album_artist)] = album_artist;
  c[size_t(summary_column::artist)] = artist.empty() ? album_artist : artist;
  c[size_t(summary_column::album)] = album;
  c[size_t(summary_column::tracknumber)] = number;
  c[size_t(summary_column::title)] = title;
  return t;
}

std::vector<std::string> labels(const library_browser& b) {
  std::vector<std::string> out;
  for (size_t i = 0; i < b.entry_count(); ++i) out.push_back(b.entry_label(i));
  return out;
}

TEST(TrackListBrowser, DrillsDownThroughTheFourLevelsAndTitlesLinkTheSelections) {
  track_list_browser b;
  size_t changes = 0;
  b.on_changed = [&] { ++changes; };
  b.add_tracks({make("3.wav", "Rock", "Band", "Second", "2", "Later"),
                make("1.wav", "Rock", "Band", "First", "1", "Opening"),
                make("2.wav", "Jazz", "Trio", "Blue", "1", "Cool"),
                make("4.wav", "rock", "Band", "First", "2", "Duet", "Guest")});
  EXPECT_GE(changes, 1u);
  EXPECT_EQ(labels(b), (std::vector<std::string>{"[all genres]", "Jazz", "Rock", "rock"}));
  EXPECT_EQ(b.title(), "All genres");
  EXPECT_TRUE(b.entry_opens(1));

  b.open_entries({2});  // Rock, not rock
  EXPECT_EQ(labels(b), (std::vector<std::string>{"[albums by all artists]", "Band"}));
  EXPECT_EQ(b.title(), "All artists in <a>Rock</a>");
  b.open_entries({1});
  EXPECT_EQ(labels(b), (std::vector<std::string>{"[songs from all albums]", "First", "Second"}));
  b.open_entries({1, 2});
  EXPECT_FALSE(b.entry_opens(0));
  EXPECT_EQ(labels(b), (std::vector<std::string>{"1. Opening", "2. Later"}));
  EXPECT_EQ(b.title(),
            "Albums: <a>First</a>, <a>Second</a>, artist: <a>Band</a>, genre: <a>Rock</a>");
  EXPECT_EQ(b.location().path, (std::vector<std::string>{"Rock", "Band", "First, Second"}));
  EXPECT_EQ(b.tracks_of({1}), (std::vector<track_location>{{"file:///m/3.wav", 0}}));

  b.open_title_link(1);  // the second album
  EXPECT_EQ(labels(b), (std::vector<std::string>{"2. Later"}));
  EXPECT_EQ(b.title(), "Album: <a>Second</a>, artist: <a>Band</a>, genre: <a>Rock</a>");
  b.open_title_link(1);  // the artist: its albums, still within the genre
  EXPECT_EQ(b.location().path, (std::vector<std::string>{"Rock", "Band"}));
  b.open_entries({1});
  b.open_title_link(2);  // the genre: its artists
  EXPECT_EQ(b.location().path, (std::vector<std::string>{"Rock"}));

  // The "all" entries select the whole level, and the songs of several genres merge.
  b.go_to({});
  b.open_entries({0});
  b.open_entries({0});
  b.open_entries({0});
  EXPECT_EQ(b.title(), "All songs");
  EXPECT_EQ(labels(b),
            (std::vector<std::string>{"1. Opening", "2. Duet // Guest", "2. Later", "1. Cool"}));
  EXPECT_EQ(b.tracks_of({0, 1}).size(), 2u);

  b.show_album("Trio", "Blue");
  EXPECT_EQ(labels(b), (std::vector<std::string>{"1. Cool"}));
  b.show_artist("Band");
  EXPECT_EQ(labels(b), (std::vector<std::string>{"[songs from all albums]", "First", "Second"}));
  b.go_to({navigation_target::albums, {}});
  EXPECT_EQ(b.entry_count(), 4u);
  // Known locations update in place; removed ones leave their groups.
  b.add_tracks({make("2.wav", "Blues", "Trio", "Blue", "1", "Cool")});
  EXPECT_EQ(b.track_count(), 4u);
  b.go_to({});
  EXPECT_EQ(labels(b), (std::vector<std::string>{"[all genres]", "Blues", "Rock", "rock"}));
  b.remove_tracks({{"file:///m/4.wav", 0}, {"file:///m/none.wav", 0}});
  EXPECT_EQ(labels(b), (std::vector<std::string>{"[all genres]", "Blues", "Rock"}));
  const size_t before = changes;
  b.set_indexing(true);
  b.set_indexing(true);
  b.set_folder_count(1);
  EXPECT_TRUE(b.is_indexing());
  EXPECT_EQ(b.folder_count(), 1u);
  EXPECT_EQ(changes, before + 2);
}

TEST(EnginelessPlayback, FollowsTheQueueWithoutAnEngine) {
  engineless_playback p;
  int changes = 0;
  p.on_state_changed = [&] { ++changes; };
  EXPECT_FALSE(p.is_playing());
  p.play({{"a", 0}, {"b", 0}}, 1);
  EXPECT_EQ(p.playing_track()->path, "b");
  p.toggle_pause();
  EXPECT_TRUE(p.is_paused());
  p.previous();
  EXPECT_EQ(p.playing_track()->path, "a");
  p.previous();
  EXPECT_EQ(p.playing_track()->path, "a");
  p.next();
  p.next();
  EXPECT_FALSE(p.is_playing());
  EXPECT_FALSE(p.is_paused());
  p.set_volume_db(-300);
  EXPECT_EQ(p.volume_db(), -100);
  EXPECT_EQ(changes, 5);  // the second previous() had nowhere to go
}

}  // namespace
}  // namespace lumo

#include <set>

#include "ui/random_order.h"

namespace lumo {
namespace {

TEST(RandomOrder, IsAPermutationThatFollowsTheSourceAndDiffersBetweenRuns) {
  uint32_t state = 1;
  auto counter = [&] { return state++; };
  std::vector<size_t> order = random_order(10, counter);
  EXPECT_EQ(std::set<size_t>(order.begin(), order.end()).size(), 10u);
  EXPECT_TRUE(random_order(0, counter).empty());
  EXPECT_EQ(random_order(1, counter), std::vector<size_t>{0});
  // A source stuck on its largest values is rejected until it gives a fair draw.
  // For 3 entries 0xffffffff lies past the largest multiple of 3 and is drawn again.
  std::vector<uint32_t> draws{0xffffffffu, 0xfffffffeu, 6};
  size_t next = 0;
  EXPECT_EQ(random_order(3, [&] { return draws[next++]; }), (std::vector<size_t>{1, 0, 2}));
  EXPECT_EQ(next, 3u);
  // Two runs over the system generator: 20! orders, so equal runs mean a broken source.
  EXPECT_NE(random_order(20, system_random32), random_order(20, system_random32));
}

}  // namespace
}  // namespace lumo
