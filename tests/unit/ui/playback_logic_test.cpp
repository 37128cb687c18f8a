#include <gtest/gtest.h>

#include "ui/engineless_playback.h"

namespace lumo {
namespace {

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
