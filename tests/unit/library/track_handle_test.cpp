#include "library/track_handle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <thread>
#include <vector>

namespace lumo {
namespace {

TEST(TrackHandle, OneHandlePerLocationAcrossThreads) {
  const size_t before = live_track_handle_count();
  track_handle_ptr a = get_track_handle({"file:///x/a.wav", 0});
  EXPECT_EQ(a, get_track_handle({"file:///x/a.wav", 0}));
  EXPECT_NE(a, get_track_handle({"file:///x/a.wav", 1}));
  EXPECT_NE(a, get_track_handle({"file:///x/A.wav", 0}));

  // Threads taking and dropping handles of the same few locations, while others swap
  // summaries: every lookup finds the live handle or makes the only one.
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &a] {
      auto s = std::make_shared<const track_summary>();
      for (int i = 0; i < 2000; ++i) {
        track_handle_ptr h = get_track_handle({"file:///x/" + std::to_string(i % 7) + ".wav", 0});
        track_handle_ptr again = get_track_handle(h->location());
        if (h != again) std::abort();
        h->set_summary(s, static_cast<uint64_t>(t));
        a->set_summary(s, static_cast<uint64_t>(i));
        if (!a->summary().summary) std::abort();
      }
    });
  }
  for (std::thread& t : threads) t.join();
  a = track_handle_ptr();
  EXPECT_EQ(live_track_handle_count(), before);
}

TEST(TrackHandle, ManyHandlesComeAndGoInAnyOrder) {
  const size_t before = live_track_handle_count();
  std::vector<track_handle_ptr> kept;
  for (int i = 0; i < 5000; ++i)
    kept.push_back(get_track_handle(
        {"file:///lib/" + std::to_string(i % 1000) + ".cue", static_cast<uint32_t>(i / 1000)}));
  EXPECT_EQ(live_track_handle_count(), before + kept.size());

  // Dropped in a scrambled order, the rest are still found as themselves after each
  // batch (a lookup that lost one would make a second handle for its location).
  std::mt19937 rng(7);
  std::vector<size_t> order(kept.size());
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin(), order.end(), rng);
  for (size_t n = 0; n < order.size(); ++n) {
    kept[order[n]] = track_handle_ptr();
    if (n % 500 != 499) continue;
    for (const track_handle_ptr& h : kept) {
      if (!h) continue;
      ASSERT_EQ(get_track_handle(h->location()), h) << h->location().path;
    }
    EXPECT_EQ(live_track_handle_count(), before + order.size() - n - 1);
  }
  // A location given up and asked for again gets a handle of its own.
  track_handle_ptr again = get_track_handle({"file:///lib/1.cue", 0});
  EXPECT_EQ(again->location().path, "file:///lib/1.cue");
  EXPECT_FALSE(again->summary().summary);
  again = track_handle_ptr();
  EXPECT_EQ(live_track_handle_count(), before);
}

}  // namespace
}  // namespace lumo
