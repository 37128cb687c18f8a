#include "library/retry_list.h"

#include <gtest/gtest.h>

namespace lumo {
namespace {

TEST(RetryList, DelaysGrowByHalfBetweenTheClamps) {
  EXPECT_EQ(next_retry_delay_ms(250), 375u);
  EXPECT_EQ(next_retry_delay_ms(375), 562u);
  EXPECT_EQ(next_retry_delay_ms(562), 843u);
  EXPECT_EQ(next_retry_delay_ms(0), 250u);  // + max(1, 0) = 1, clamped up
  EXPECT_EQ(next_retry_delay_ms(1), 250u);
  EXPECT_EQ(next_retry_delay_ms(249), 373u);  // 249 + 124
  EXPECT_EQ(next_retry_delay_ms(600000), 666000u);
  EXPECT_EQ(next_retry_delay_ms(666000), 666000u);
  uint64_t d = 250;
  for (int i = 0; i < 100; ++i) d = next_retry_delay_ms(d);
  EXPECT_EQ(d, 666000u);
}

TEST(RetryList, PathsComeDueWithTheTestClock) {
  retry_list list;
  uint64_t now = 1000;
  list.record_failure("a.wav", now);
  EXPECT_EQ(list.find("a.wav")->delay_ms, 250u);
  EXPECT_TRUE(list.due(now + 249).empty());
  ASSERT_EQ(list.due(now + 250), std::vector<std::string>{"a.wav"});

  // Each failed attempt restarts the wait with the grown delay.
  std::vector<uint64_t> delays;
  for (int i = 0; i < 4; ++i) {
    now += list.find("a.wav")->delay_ms;
    ASSERT_EQ(list.due(now).size(), 1u);
    list.record_failure("a.wav", now);
    delays.push_back(list.find("a.wav")->delay_ms);
    EXPECT_TRUE(list.due(now + delays.back() - 1).empty());
  }
  EXPECT_EQ(delays, (std::vector<uint64_t>{375, 562, 843, 1264}));

  list.record_failure("d/x.wav", now);
  list.record_failure("d/sub/y.wav", now);
  list.record_failure("dz.wav", now);
  list.remove_tree("d", '/');
  EXPECT_EQ(list.size(), 2u);  // a.wav and dz.wav: "dz" is not under "d"
  list.remove("a.wav");
  EXPECT_EQ(list.due(now + 1000000), std::vector<std::string>{"dz.wav"});
}

}  // namespace
}  // namespace lumo
