// The "Playback error" window's rules on a test clock: messages collect with blank lines
// between them up to 33 and one "(...)", a closed window stays closed for 10 seconds, and
// nothing opens while popups are off.
#include <gtest/gtest.h>

#include <string>

#include "playback/playback_error_rules.h"

namespace lumo {
namespace {

using action = playback_error_rules::action;

TEST(PlaybackErrorRules, MessagesCollectUpTo33ThenOneEllipsis) {
  uint64_t now = 5000;
  playback_error_rules r([&] { return now; });
  EXPECT_EQ(r.add("one", true), action::create);
  EXPECT_EQ(r.add("two", true), action::update);
  EXPECT_EQ(r.add("three", true), action::update);
  EXPECT_EQ(r.text(), "one\r\n\r\ntwo\r\n\r\nthree");
  for (int i = 4; i <= 33; ++i) EXPECT_EQ(r.add("m" + std::to_string(i), true), action::update);
  EXPECT_EQ(r.count(), 33u);
  std::string full = r.text();
  EXPECT_EQ(r.add("m34", true), action::update);
  EXPECT_EQ(r.text(), full + "\r\n\r\n(...)");
  for (int i = 35; i <= 40; ++i) EXPECT_EQ(r.add("m" + std::to_string(i), true), action::none);
  EXPECT_EQ(r.text(), full + "\r\n\r\n(...)");
  // Popups switched off meanwhile do not hide messages from a window already open.
  r.closed();
  EXPECT_FALSE(r.is_open());
}

TEST(PlaybackErrorRules, ClosedWindowStaysClosedTenSecondsAndPopupsOffShowNothing) {
  uint64_t now = 1'000'000;
  playback_error_rules r([&] { return now; });
  EXPECT_EQ(r.add("first", false), action::none);  // popups off: never a window
  EXPECT_FALSE(r.is_open());
  EXPECT_EQ(r.add("a", true), action::create);
  r.closed();
  now += 9999;
  EXPECT_EQ(r.add("b", true), action::none);
  EXPECT_FALSE(r.is_open());
  now += 1;
  EXPECT_EQ(r.add("c", true), action::create);
  EXPECT_EQ(r.text(), "c");  // a new window starts over
  EXPECT_EQ(r.count(), 1u);
  r.closed();
  now += 20000;
  EXPECT_EQ(r.add("d", false), action::none);
}

}  // namespace
}  // namespace lumo
