#include "library/track_handle.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace lumo
