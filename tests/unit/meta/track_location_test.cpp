#include "meta/track_location.h"

#include <gtest/gtest.h>

#include <set>
#include <unordered_map>

using namespace lumo;

TEST(TrackLocation, IdentityIsPathAndSubsong) {
  track_location a{"file:///music/album.flac", 0};
  track_location b{"file:///music/album.flac", 1};
  track_location c{"file:///music/Album.flac", 0};
  EXPECT_EQ(a, (track_location{"file:///music/album.flac", 0}));
  EXPECT_NE(a, b);
  EXPECT_NE(a, c);  // paths compare byte-wise; the file system layer canonicalises them

  std::set<track_location> ordered{b, a, c};
  EXPECT_EQ(*ordered.begin(), c);  // "A" sorts before "a"
  EXPECT_EQ(*std::next(ordered.begin()), a);

  std::unordered_map<track_location, int> by_location;
  for (uint32_t i = 0; i < 100; ++i) by_location[{a.path, i}] = int(i);
  by_location[c] = -1;
  EXPECT_EQ(by_location.size(), 101u);
  EXPECT_EQ(by_location.at(b), 1);
  EXPECT_EQ(by_location.at(c), -1);
}
