#include "meta/track_info_packed.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/exceptions.h"
#include "meta/common_field_names.h"
#include "meta/track_info_mutable.h"

using namespace lumo;
using namespace std::string_literals;

namespace {

// Every read operation answers the same on both records.
void expect_same(const track_info& a, const track_info& b) {
  EXPECT_EQ(a.get_length(), b.get_length());
  EXPECT_EQ(a.get_replaygain(), b.get_replaygain());
  ASSERT_EQ(a.meta_count(), b.meta_count());
  for (size_t i = 0; i < a.meta_count(); ++i) {
    EXPECT_EQ(a.meta_name(i), b.meta_name(i));
    ASSERT_EQ(a.meta_value_count(i), b.meta_value_count(i));
    for (size_t v = 0; v < a.meta_value_count(i); ++v) {
      EXPECT_EQ(a.meta_value(i, v), b.meta_value(i, v));
    }
  }
  ASSERT_EQ(a.info_count(), b.info_count());
  for (size_t i = 0; i < a.info_count(); ++i) {
    EXPECT_EQ(a.info_name(i), b.info_name(i));
    EXPECT_EQ(a.info_value(i), b.info_value(i));
  }
}

bool points_into(std::string_view text, std::span<const std::string_view> table) {
  for (std::string_view s : table) {
    if (s.data() == text.data()) return true;
  }
  return false;
}

}  // namespace

TEST(TrackInfoPacked, CommonNamesAreSharedNotCopied) {
  track_info_mutable info;
  info.meta_add_value("Title", "x");
  info.info_set("codec", "PCM");
  auto packed = track_info_packed::pack(info);
  EXPECT_EQ(packed->text_bytes(), "x"s.size() + 1 + "PCM"s.size() + 1);
  EXPECT_TRUE(points_into(packed->meta_name(0), common_meta_names()));
  EXPECT_TRUE(points_into(packed->info_name(0), common_info_names()));
  expect_same(*packed, info);

  // The tables are exact: other spellings and names are copied.
  track_info_mutable other;
  other.meta_add_value("tItle", "x");
  other.info_set("Codec", "PCM");
  auto copied = track_info_packed::pack(other);
  EXPECT_EQ(copied->text_bytes(), packed->text_bytes() + 6 + 6);
  expect_same(*copied, other);
}

TEST(TrackInfoPacked, AnswersEveryReadOperation) {
  track_info_mutable info;
  info.set_length(301.25);
  info.replaygain_set_from_text("REPLAYGAIN_ALBUM_GAIN", "-8.1 dB");
  info.replaygain_set_from_text("replaygain_track_peak", "0.99");
  info.meta_add_value("artist", "A");
  info.meta_add_value("artist", "B");
  info.meta_add_value("artist", "C");
  info.meta_add_value("My Own Field", "");
  info.meta_add_value(
      "\xC3\x9C"
      "bersetzer",
      "z\0z"s);
  info.meta_add_value("title", "Song");
  info.info_set("samplerate", "44100");
  info.info_set("encoder_settings", "-V2");
  auto packed = track_info_packed::pack(info);
  expect_same(*packed, info);

  EXPECT_EQ(packed->meta_joined("ARTIST"), "A; B; C");
  EXPECT_EQ(packed->meta_find("\xC3\xBC"
                              "BERSETZER"),
            2u);
  EXPECT_EQ(packed->meta_value(2, 0), "z\0z"s);
  EXPECT_EQ(packed->info_find("SampleRate"), 0u);
  EXPECT_EQ(packed->info_find("bitrate"), track_info::npos);
  EXPECT_THROW(packed->meta_value(0, 3), kel::exception_bug_check);
  EXPECT_THROW(packed->info_value(2), kel::exception_bug_check);

  // Back to a mutable record for editing.
  track_info_mutable edited(*packed);
  expect_same(edited, info);

  track_info_mutable empty;
  auto packed_empty = track_info_packed::pack(empty);
  expect_same(*packed_empty, empty);
  EXPECT_EQ(packed_empty->text_bytes(), 0u);
}

TEST(TrackInfoPacked, LargeRecordsTakeTheWideLayout) {
  // Over 64 KiB of text, and separately over 32767 texts, exceed the 16-bit tables.
  track_info_mutable big_text;
  big_text.meta_add_value("lyrics", std::string(70000, 'l'));
  big_text.meta_add_value("title", "after");
  big_text.info_set("tool", "t");
  auto packed = track_info_packed::pack(big_text);
  expect_same(*packed, big_text);
  EXPECT_GT(packed->block_bytes(), 70000u);

  track_info_mutable many_values;
  for (int i = 0; i < 40000; ++i) many_values.meta_add_value("artist", std::to_string(i % 7));
  many_values.meta_add_value("uncommon", "last");
  expect_same(*track_info_packed::pack(many_values), many_values);
}

TEST(TrackInfoPacked, SharedBetweenThreads) {
  track_info_mutable info;
  info.meta_add_value("title", "shared");
  track_info_packed::ptr packed = track_info_packed::pack(info);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([copy = packed] {
      for (int i = 0; i < 1000; ++i) {
        track_info_packed::ptr again = copy;
        EXPECT_EQ(again->meta_value(0, 0), "shared");
      }
    });
  }
  packed = {};  // the threads keep the record alive
  for (auto& t : threads) t.join();
}

namespace {

// A record that answers longer texts every time it is asked, as a buggy or racing reader
// would.
class growing_info final : public track_info {
 public:
  double get_length() const override { return 0; }
  replaygain_info get_replaygain() const override { return {}; }
  size_t meta_count() const override { return 1; }
  std::string_view meta_name(size_t) const override { return "title"; }
  size_t meta_value_count(size_t) const override { return 1; }
  std::string_view meta_value(size_t, size_t) const override {
    text_ += "grow";
    return text_;
  }
  size_t info_count() const override { return 0; }
  std::string_view info_name(size_t) const override { return {}; }
  std::string_view info_value(size_t) const override { return {}; }

 private:
  mutable std::string text_;
};

}  // namespace

TEST(TrackInfoPacked, SourceChangingDuringPackIsRefusedNotOverrun) {
  growing_info source;
  EXPECT_THROW(track_info_packed::pack(source), kel::exception_bug_check);
}
