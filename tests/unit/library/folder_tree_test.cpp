#include "library/folder_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumo {
namespace {

std::vector<track_handle_ptr> handles_of(const std::string& path, uint32_t count) {
  std::vector<track_handle_ptr> out;
  for (uint32_t i = 0; i < count; ++i) out.push_back(get_track_handle({path, i}));
  return out;
}

std::vector<track_handle_ptr> listed(const track_handle_list& list) {
  return std::vector<track_handle_ptr>(list.begin(), list.end());
}

TEST(FolderTree, FileHandleListsActAsVectors) {
  const size_t before = live_track_handle_count();
  {
    // Grown one handle at a time: none, one, then several, in order.
    const std::vector<track_handle_ptr> three = handles_of("file:///a.cue", 3);
    track_handle_list list;
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.begin(), list.end());
    for (size_t n = 0; n < three.size(); ++n) {
      list.push_back(three[n]);
      EXPECT_EQ(listed(list), std::vector<track_handle_ptr>(three.begin(), three.begin() + n + 1));
      EXPECT_EQ(list[n], three[n]);
    }

    // Replaced by a vector of any size, as a rescan does; copies and moves keep the order.
    for (uint32_t count : {1u, 0u, 4u, 1u}) {
      const std::vector<track_handle_ptr> fresh = handles_of("file:///b.flac", count);
      list = std::vector<track_handle_ptr>(fresh);
      EXPECT_EQ(listed(list), fresh) << count;
      track_handle_list copy = list;
      EXPECT_EQ(listed(copy), fresh) << count;
      track_handle_list moved = std::move(copy);
      EXPECT_EQ(listed(moved), fresh) << count;
      for (track_handle_ptr& h : moved) h = track_handle_ptr();  // taken out, as on removal
      EXPECT_EQ(moved.size(), fresh.size());
    }
  }
  EXPECT_EQ(live_track_handle_count(), before);  // every list let its handles go
}

}  // namespace
}  // namespace lumo
