#include "meta/track_info_mutable.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/exceptions.h"

using namespace lumo;
using ::testing::ElementsAre;

namespace {

std::vector<std::string> values_of(const track_info& info, size_t entry) {
  std::vector<std::string> values;
  for (size_t v = 0; v < info.meta_value_count(entry); ++v) {
    values.emplace_back(info.meta_value(entry, v));
  }
  return values;
}

}  // namespace

TEST(TrackInfo, NewRecordIsEmpty) {
  track_info_mutable info;
  EXPECT_EQ(info.get_length(), 0.0);
  EXPECT_EQ(info.meta_count(), 0u);
  EXPECT_EQ(info.info_count(), 0u);
  EXPECT_EQ(info.get_replaygain(), replaygain_info());
  EXPECT_EQ(info.get_replaygain().count_present(), 0);
  EXPECT_EQ(info.meta_find("title"), track_info::npos);
  EXPECT_EQ(info.meta_joined("title"), "");
}

TEST(TrackInfo, MetaValuesMergeIntoTheEntryOfAnyCase) {
  track_info_mutable info;
  info.meta_add_value("Artist", "A");
  info.meta_add_value("title", "Song");
  info.meta_add_value("ARTIST", "B");
  info.meta_add_value("artist", "C");
  ASSERT_EQ(info.meta_count(), 2u);
  EXPECT_EQ(info.meta_name(0), "Artist");  // the first spelling stays
  EXPECT_THAT(values_of(info, 0), ElementsAre("A", "B", "C"));
  EXPECT_EQ(info.meta_joined("artist"), "A; B; C");
  EXPECT_EQ(info.meta_find("TITLE"), 1u);
  EXPECT_TRUE(info.meta_exists("Title"));
  EXPECT_EQ(info.meta_find_value("artist", 2), "C");
  EXPECT_EQ(info.meta_find_value("artist", 3), std::nullopt);
  EXPECT_EQ(info.meta_find_value("album"), std::nullopt);

  // A refused name throws and leaves the record as it was.
  EXPECT_THROW(info.meta_add_value("", "x"), kel::exception_invalid_params);
  EXPECT_THROW(info.info_set("", "x"), kel::exception_invalid_params);
  EXPECT_EQ(info.meta_count(), 2u);
  EXPECT_EQ(info.info_count(), 0u);
  // Out-of-range indexes are a caller's bug, reported, never read past the end.
  EXPECT_THROW(info.meta_value(0, 3), kel::exception_bug_check);
  EXPECT_THROW(info.meta_name(2), kel::exception_bug_check);
}

TEST(TrackInfo, InfoFieldsHaveOneValueFoundInAnyCase) {
  track_info_mutable info;
  info.info_set("samplerate", "44100");
  info.info_set("codec", "FLAC");
  EXPECT_EQ(info.info_set("SampleRate", "48000"), 0u);
  ASSERT_EQ(info.info_count(), 2u);
  EXPECT_EQ(info.info_name(0), "samplerate");
  EXPECT_EQ(info.info_value(0), "48000");
  EXPECT_EQ(info.info_find("SampleRate"), 0u);
  EXPECT_EQ(info.info_find("bitrate"), track_info::npos);
  EXPECT_EQ(info.info_find("samplerat"), track_info::npos);
  EXPECT_EQ(info.info_find_value("CODEC"), "FLAC");
  EXPECT_TRUE(info.info_remove("Codec"));
  EXPECT_FALSE(info.info_remove("codec"));
  EXPECT_EQ(info.info_count(), 1u);
}

TEST(TrackInfo, EditingOperations) {
  track_info_mutable info;
  info.meta_add_value("artist", "A");
  info.meta_add_value("artist", "B");
  info.meta_add_value("genre", "Jazz");
  info.meta_add_value("comment", "x");

  std::vector<std::string> replaced = {"X", "Y"};
  info.meta_set_values("ARTIST", replaced);
  EXPECT_EQ(info.meta_name(0), "artist");
  EXPECT_EQ(info.meta_joined(size_t{0}), "X; Y");
  info.meta_set("Genre", "Rock");
  EXPECT_THAT(values_of(info, 1), ElementsAre("Rock"));
  info.meta_set("date", "1999");
  EXPECT_EQ(info.meta_find("date"), 3u);

  info.meta_remove_value(0, 0);
  EXPECT_THAT(values_of(info, 0), ElementsAre("Y"));
  info.meta_remove_value(0, 0);  // the last value takes the entry with it
  EXPECT_EQ(info.meta_find("artist"), track_info::npos);
  EXPECT_TRUE(info.meta_remove("COMMENT"));
  EXPECT_FALSE(info.meta_remove("comment"));
  info.meta_set_values("genre", {});
  ASSERT_EQ(info.meta_count(), 1u);
  EXPECT_EQ(info.meta_name(0), "date");
  info.meta_remove_all();
  EXPECT_EQ(info.meta_count(), 0u);
}

TEST(TrackInfo, CopyFromReplacesEverything) {
  track_info_mutable source;
  source.set_length(215.5);
  source.replaygain_set_from_text("replaygain_track_gain", "-3.2 dB");
  source.meta_add_value("Title", "T");
  source.meta_add_value("artist", "A");
  source.meta_add_value("artist", "B");
  source.info_set("codec", "MP3");

  track_info_mutable target;
  target.set_length(1);
  target.set_replaygain({.album_gain = 2.0f});
  target.meta_add_value("album", "old");
  target.info_set("bitrate", "320");
  target.copy_from(source);

  EXPECT_EQ(target.get_length(), 215.5);
  EXPECT_EQ(target.get_replaygain(), source.get_replaygain());
  EXPECT_FALSE(target.get_replaygain().is_album_gain_present());
  ASSERT_EQ(target.meta_count(), 2u);
  EXPECT_EQ(target.meta_name(0), "Title");
  EXPECT_THAT(values_of(target, 1), ElementsAre("A", "B"));
  ASSERT_EQ(target.info_count(), 1u);
  EXPECT_EQ(target.info_value(0), "MP3");

  target.copy_from(target);
  EXPECT_EQ(target.meta_count(), 2u);
  target.reset();
  EXPECT_EQ(target.meta_count() + target.info_count(), 0u);
  EXPECT_EQ(target.get_length(), 0.0);
}
