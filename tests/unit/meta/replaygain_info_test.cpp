#include "meta/replaygain_info.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

using namespace lumo;
using namespace std::string_literals;

TEST(ReplayGain, NewRecordHasEveryValueAbsent) {
  replaygain_info rg;
  EXPECT_EQ(rg.album_gain, -1000.0f);
  EXPECT_EQ(rg.track_gain, -1000.0f);
  EXPECT_EQ(rg.album_peak, -1.0f);
  EXPECT_EQ(rg.track_peak, -1.0f);
  EXPECT_EQ(rg.count_present(), 0);
  EXPECT_TRUE(rg.to_text_fields().empty());
}

TEST(ReplayGain, SetsValuesFromTagText) {
  replaygain_info rg;
  EXPECT_TRUE(rg.set_from_text("REPLAYGAIN_TRACK_GAIN", "-6.5 dB"));
  EXPECT_EQ(rg.track_gain, -6.5f);
  EXPECT_TRUE(rg.set_from_text("Replaygain_Album_Gain", "+1,25 dB"));
  EXPECT_EQ(rg.album_gain, 1.25f);
  // A negative peak is kept as present, at 0.
  EXPECT_TRUE(rg.set_from_text("replaygain_track_peak", "-0.2"));
  EXPECT_EQ(rg.track_peak, 0.0f);
  EXPECT_TRUE(rg.is_track_peak_present());
  EXPECT_EQ(rg.count_present(), 3);

  // Other names, even close ones, are refused and change nothing.
  replaygain_info before = rg;
  EXPECT_FALSE(rg.set_from_text("replaygain_reference_loudness", "89 dB"));
  EXPECT_FALSE(rg.set_from_text("replaygain_track_gain ", "1"));
  EXPECT_FALSE(rg.set_from_text("replaygain_", "1"));
  EXPECT_FALSE(rg.set_from_text("r128_track_gain", "1"));
  EXPECT_EQ(rg, before);

  // A gain of exactly -1000 from a tag is the absent marker.
  EXPECT_TRUE(rg.set_from_text("replaygain_track_gain", "-1000"));
  EXPECT_FALSE(rg.is_track_gain_present());
}

TEST(ReplayGain, ParsesNumbersTheSameInEveryLocale) {
  struct {
    std::string text;
    float expected;
  } cases[] = {
      {"-6.5 dB", -6.5f},
      {"  +3,25", 3.25f},
      {"0.987654", 0.987654f},
      {".5", 0.5f},
      {"-,5", -0.5f},
      {"1.2.3", 1.2f},
      {"4,5.6", 4.5f},
      {"12abc", 12.0f},
      {"", 0.0f},
      {"dB", 0.0f},
      {"-", 0.0f},
      {" - 5", 0.0f},
      {"\t5", 0.0f},
      {"7\0"
       "8"s,
       7.0f},
      {"--1", 0.0f},
      // Only the first 127 bytes count.
      {std::string(126, ' ') + "5", 5.0f},
      {std::string(127, ' ') + "5", 0.0f},
      {"1" + std::string(200, '0'), std::numeric_limits<float>::max()},
  };
  for (const auto& c : cases) {
    EXPECT_FLOAT_EQ(parse_replaygain_number(c.text), c.expected) << '"' << c.text << '"';
  }
}

TEST(ReplayGain, TextFormRoundTrips) {
  EXPECT_EQ(format_replaygain_gain(-6.5f), "-6.50 dB");
  EXPECT_EQ(format_replaygain_gain(0.004f), "0.00 dB");
  EXPECT_EQ(format_replaygain_gain(-0.004f), "0.00 dB");
  EXPECT_EQ(format_replaygain_peak(0.987654f), "0.987654");
  EXPECT_EQ(format_replaygain_peak(1.0f), "1.000000");

  replaygain_info rg;
  rg.track_gain = -7.31f;
  rg.album_peak = 1.0221f;
  auto fields = rg.to_text_fields();
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[0].first, "replaygain_album_peak");
  EXPECT_EQ(fields[0].second, "1.022100");
  EXPECT_EQ(fields[1].first, "replaygain_track_gain");
  EXPECT_EQ(fields[1].second, "-7.31 dB");
  replaygain_info read_back;
  for (const auto& [name, text] : fields) EXPECT_TRUE(read_back.set_from_text(name, text));
  EXPECT_EQ(read_back, rg);
}

TEST(ReplayGain, FillMissingKeepsPresentValues) {
  replaygain_info rg;
  rg.track_gain = -3.0f;
  rg.track_peak = 0.5f;
  replaygain_info other{.album_gain = -4.0f, .track_gain = -9.0f, .album_peak = 0.9f};
  rg.fill_missing(other);
  EXPECT_EQ(rg, (replaygain_info{-4.0f, -3.0f, 0.9f, 0.5f}));
  EXPECT_EQ(rg.count_present(), 4);
}
