#include "library/track_summary.h"

#include <gtest/gtest.h>

#include <array>
#include <string_view>

#include "meta/track_info_mutable.h"

namespace lumo {
namespace {

using namespace std::string_view_literals;

struct fold_case {
  const char* album;
  const char* folded;  // nullptr: no disc suffix
  const char* disc;
};

TEST(TrackSummary, DiscSuffixesFoldIntoDiscNumber) {
  const fold_case cases[] = {
      {"Greatest Hits, Disc 2", "Greatest Hits", "2"},
      {"Greatest Hits, Disc2", "Greatest Hits", "2"},
      {"Live, CD 10", "Live", "10"},
      {"Live - Disc 02", "Live", "2"},
      {"Live - CD 1", "Live", "1"},  // not "Live -": the longer pattern comes first
      {"Live  CD 7", "Live", "7"},   // spaces before the suffix are trimmed
      {"Album (Disc 3)", "Album", "3"},
      {"Album (cd3)", "Album", "3"},
      {"Album [DISC 004]", "Album", "4"},
      {"Album [CD1]", "Album", "1"},
      {"Album Disc 00", "Album", "0"},
      {"x Disc 9", "x", "9"},
      {"Disc 2", nullptr, nullptr},  // nothing in front of the suffix
      {" CD1", nullptr, nullptr},    // the suffix is the whole album
      {"Album Disc", nullptr, nullptr},
      {"Album Disc 2)", nullptr, nullptr},
      {"Album (Disc 2", nullptr, nullptr},
      {"Album Disc two", nullptr, nullptr},
      {"Album Disk 2", nullptr, nullptr},
      {"Album CD\xc2\xb2", nullptr, nullptr},  // a superscript is not an ASCII digit
  };
  for (const fold_case& c : cases) {
    std::string album = "unchanged", disc = "unchanged";
    bool folded = fold_disc_suffix(c.album, album, disc);
    EXPECT_EQ(folded, c.folded != nullptr) << c.album;
    if (c.folded) {
      EXPECT_EQ(album, c.folded) << c.album;
      EXPECT_EQ(disc, c.disc) << c.album;
    }
  }
}

TEST(TrackSummary, BuiltFromTrackInformation) {
  track_info_mutable info;
  info.set_length(123.456);
  info.meta_add_value("TITLE", "Song");
  info.meta_add_value("artist", "A");
  info.meta_add_value("artist", "B");
  info.meta_add_value("album", "Album, Disc 2");
  info.meta_add_value("album", "Other, Disc 5");  // only the first value is folded
  info.meta_add_value("discnumber", "9");
  info.meta_add_value("tracknumber", "03/12");
  info.meta_add_value("Genre", "Rock");
  info.meta_add_value("date", "1999");
  track_summary s = make_track_summary(info);
  EXPECT_FLOAT_EQ(s.length, 123.456f);
  EXPECT_EQ(s.column(summary_column::title), "Song");
  EXPECT_EQ(s.column(summary_column::artist), "A; B");
  EXPECT_EQ(s.column(summary_column::album_artist), "");
  EXPECT_EQ(s.column(summary_column::album), "Album");
  EXPECT_EQ(s.column(summary_column::discnumber), "2");  // the suffix wins over the tag
  EXPECT_EQ(s.column(summary_column::tracknumber), "03");
  EXPECT_EQ(s.column(summary_column::genre), "Rock");
  EXPECT_EQ(s.column(summary_column::date), "1999");

  // Without a suffix the fields stand as tagged; a number without anything after its
  // digits, or not starting with one, is kept whole.
  for (const char* number : {"7", "A1", ""}) {
    track_info_mutable plain;
    plain.meta_add_value("album", "Album");
    plain.meta_add_value("discnumber", "1/2");
    if (*number) plain.meta_add_value("tracknumber", number);
    track_summary p = make_track_summary(plain);
    EXPECT_EQ(p.column(summary_column::album), "Album");
    EXPECT_EQ(p.column(summary_column::discnumber), "1/2");
    EXPECT_EQ(p.column(summary_column::tracknumber), number);
  }
  track_info_mutable trailing;
  trailing.meta_add_value("tracknumber", "12abc");
  EXPECT_EQ(make_track_summary(trailing).column(summary_column::tracknumber), "12");
}

TEST(TrackSummary, ColumnsSetReadAndCompared) {
  track_summary empty;
  for (size_t i = 0; i < summary_column_count; ++i)
    EXPECT_EQ(empty.column(summary_column(i)), "") << i;
  EXPECT_EQ(empty.blob(), "\0\0\0\0\0\0\0\0"sv);

  // Columns set out of order, grown and shrunk, read back with their neighbours intact.
  track_summary s;
  s.set_column(summary_column::date, "2001");
  s.set_column(summary_column::title, "A title longer than a short string");
  s.set_column(summary_column::album, "Album");
  s.set_column(summary_column::title, "T");
  s.set_column(summary_column::artist, "\xe5\xb0\x8f\xe6\xb3\xbd; Bj\xc3\xb6rk");
  s.set_column(summary_column::album, "");
  EXPECT_EQ(s.column(summary_column::title), "T");
  EXPECT_EQ(s.column(summary_column::artist), "\xe5\xb0\x8f\xe6\xb3\xbd; Bj\xc3\xb6rk");
  EXPECT_EQ(s.column(summary_column::album), "");
  EXPECT_EQ(s.column(summary_column::date), "2001");
  EXPECT_EQ(s.blob(),
            "T\0\xe5\xb0\x8f\xe6\xb3\xbd; Bj\xc3\xb6rk\0\0\0\0\0\0"
            "2001\0"sv);

  // One column set from another of the same summary.
  s.set_column(summary_column::album_artist, s.column(summary_column::artist));
  s.set_column(summary_column::title, s.column(summary_column::date));
  EXPECT_EQ(s.column(summary_column::album_artist), s.column(summary_column::artist));
  EXPECT_EQ(s.column(summary_column::title), "2001");

  // A value with a NUL keeps what comes before it, from the setter and the constructor.
  s.set_column(summary_column::genre, "Rock\0Pop"sv);
  EXPECT_EQ(s.column(summary_column::genre), "Rock");
  EXPECT_EQ(s.column(summary_column::album), "");
  std::array<std::string_view, summary_column_count> columns = {"\0x"sv, "a", "b", "c",
                                                                "d",     "e", "f", "g"};
  track_summary built(3.5f, columns);
  EXPECT_EQ(built.column(summary_column::title), "");
  EXPECT_EQ(built.column(summary_column::date), "g");
  EXPECT_EQ(built.blob(), "\0a\0b\0c\0d\0e\0f\0g\0"sv);

  // Equal when the length and every column are; the same columns set differently match.
  track_summary other(3.5f, {"", "a", "b", "c", "d", "e", "f", "g"});
  EXPECT_EQ(built, other);
  other.set_column(summary_column::date, "g2");
  EXPECT_NE(built, other);
  other.set_column(summary_column::date, "g");
  other.length = 4;
  EXPECT_NE(built, other);
}

}  // namespace
}  // namespace lumo
