// ID3v1 and ID3v1.1 read and built, with the genre list's own spellings.
#include "tags/id3v1_tag.h"

#include <gtest/gtest.h>

#include <cstring>

#include "id3_test_support.h"
#include "tags/id3_genres.h"

namespace lumo::id3 {
namespace {

std::array<uint8_t, 128> v1(std::string_view title, std::string_view comment, uint8_t byte125,
                            uint8_t byte126, uint8_t genre) {
  std::array<uint8_t, 128> t{};
  std::memcpy(t.data(), "TAG", 3);
  std::memcpy(t.data() + 3, title.data(), title.size());
  std::memcpy(t.data() + 93, "1987", 4);
  std::memcpy(t.data() + 97, comment.data(), comment.size());
  t[125] = byte125 ? byte125 : t[125];
  t[126] = byte126 ? byte126 : t[126];
  t[127] = genre;
  return t;
}

TEST(id3v1, versions_track_numbers_and_comments) {
  track_info_mutable info;
  // v1.1: byte 125 zero, byte 126 the track.
  ASSERT_TRUE(read_id3v1(v1("Title   ", "short", 0, 7, 17), info));
  EXPECT_EQ(test::fields_text(info),
            "title=Title\ndate=1987\ncomment=short\ntracknumber=7\ngenre=Rock\n");
  // Track 0 in byte 126 with a 30-character comment: v1.0, no track number.
  track_info_mutable short_comment;
  read_id3v1(v1("T", std::string(29, 'c'), 0, 0, 0), short_comment);  // byte 126 zero
  EXPECT_FALSE(short_comment.meta_exists("tracknumber"));
  EXPECT_EQ(short_comment.meta_find_value("comment").value_or("").size(), 29u);
  track_info_mutable full;
  std::string thirty(30, 'c');
  auto t = v1("T", thirty, 0, 0, 255);
  read_id3v1(t, full);
  EXPECT_EQ(full.meta_find_value("comment").value_or(""), thirty);
  EXPECT_FALSE(full.meta_exists("tracknumber"));
  EXPECT_FALSE(full.meta_exists("genre"));   // 255: no genre
  EXPECT_FALSE(full.meta_exists("artist"));  // empty fields are not set
  // ISO-8859-1 text.
  track_info_mutable latin;
  read_id3v1(v1("Caf\xE9", "", 0, 0, 147), latin);
  EXPECT_EQ(latin.meta_find_value("title").value_or(""), "Caf\xC3\xA9");
  EXPECT_EQ(latin.meta_find_value("genre").value_or(""), "SynthPop");
  track_info_mutable none;
  auto not_tag = t;
  not_tag[0] = 'X';
  EXPECT_FALSE(read_id3v1(not_tag, none));
}

TEST(id3v1, building_cuts_fields_and_matches_genres) {
  track_info_mutable info;
  info.meta_add_value("title", std::string(40, 't'));
  info.meta_add_value("artist", "\xC3\xA9\xE2\x82\xAC");
  info.meta_add_value("date", "1999-12-31");
  info.meta_add_value("comment", std::string(30, 'c'));
  info.meta_add_value("tracknumber", "12");
  info.meta_add_value("genre", "psychadelic");
  auto t = build_id3v1(info);
  EXPECT_EQ(std::string(t.begin() + 3, t.begin() + 33), std::string(30, 't'));
  EXPECT_EQ(std::string(t.begin() + 33, t.begin() + 36), std::string("\xE9?\0", 3));
  EXPECT_EQ(std::string(t.begin() + 93, t.begin() + 97), "1999");
  EXPECT_EQ(std::string(t.begin() + 97, t.begin() + 125), std::string(28, 'c'));  // 28 with a track
  EXPECT_EQ(t[125], 0);
  EXPECT_EQ(t[126], 12);
  EXPECT_EQ(t[127], 67);  // "Psychadelic" in any case
  info.meta_set("genre", "Psychedelic");
  EXPECT_EQ(build_id3v1(info)[127], 255);
  info.meta_set("tracknumber", "200");  // beyond 127: no v1.1, the full comment
  auto no_track = build_id3v1(info);
  EXPECT_EQ(std::string(no_track.begin() + 97, no_track.begin() + 127), std::string(30, 'c'));
  // Read back what was built.
  track_info_mutable back;
  read_id3v1(build_id3v1(info), back);
  EXPECT_EQ(back.meta_find_value("date").value_or(""), "1999");
}

TEST(id3v1, genre_list) {
  EXPECT_EQ(id3v1_genre_name(0).value_or(""), "Blues");
  EXPECT_EQ(id3v1_genre_name(125).value_or(""), "Dance Hall");
  EXPECT_EQ(id3v1_genre_name(147).value_or(""), "SynthPop");
  EXPECT_FALSE(id3v1_genre_name(148));
  for (std::string_view name :
       {"Bebob", "Humour", "A capella", "Jazz+Funk", "Pop/Funk", "Folk/Rock", "Rock & Roll",
        "Fast-Fusion", "Euro-House", "Drum & Bass", "BritPop", "JPop"})
    EXPECT_TRUE(id3v1_genre_index(name)) << name;
  EXPECT_EQ(id3v1_genre_index("rock & roll").value_or(0), 78u);
}

}  // namespace
}  // namespace lumo::id3
