// Frames to fields and back: every translation rule, and round trips that keep every
// field, every unknown frame and every picture.
#include "tags/id3v2_fields.h"

#include <gtest/gtest.h>

#include <map>

#include "id3_test_support.h"
#include "tags/id3v2_text.h"

namespace lumo::id3 {
namespace {

using namespace lumo::test;

std::string read_fields(const byte_vector& bytes) {
  track_info_mutable info;
  read_id3v2_fields(parse_id3v2_tag(bytes), info);
  return fields_text(info);
}

std::string utf16le_bom(std::u16string_view s) {
  std::string out = "\xFF\xFE";
  for (char16_t c : s) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

TEST(id3v2_fields, encodings_and_multiple_values) {
  const std::string z(1, '\0'), zz(2, '\0');
  auto t =
      tag(3, {
                 frame(3, "TIT2", z + "Caf\xE9"),  // ISO-8859-1
                 frame(3, "TPE1",
                       "\x01" + utf16le_bom(u"A\u00e9") + zz + utf16le_bom(u"B") +
                           zz),  // UTF-16 BOM, two values
                 frame(3, "TALB", std::string("\x02\x00\x41\x04\x10", 5)),  // UTF-16BE
                 frame(3, "TCOM",
                       std::string("\x01"
                                   "C\0D\0",
                                   5)),  // UTF-16 without BOM: LE
                 frame(3, "TPE2",
                       "\x03"
                       "\xE2\x82\xAC" +
                           z + "two"),  // UTF-8, two values
                 frame(3, "TIT3",
                       std::string("\x03"
                                   "ok\xFF",
                                   4)),                // bad UTF-8 byte
                 frame(3, "TSSE", z + "a" + z + "b"),  // single-value frame with two values: joined
             });
  EXPECT_EQ(read_fields(t),
            "title=Caf\xC3\xA9\n"
            "artist=A\xC3\xA9; B\n"
            "album=A\xD0\x90\n"
            "composer=CD\n"
            "album artist=\xE2\x82\xAC; two\n"
            "subtitle=ok\xEF\xBF\xBD\n"
            "encoding settings=a; b\n");
  track_info_mutable info;
  read_id3v2_fields(parse_id3v2_tag(t), info);
  EXPECT_EQ(info.meta_value_count(info.meta_find("artist")), 2u);
}

TEST(id3v2_fields, tables_pairs_urls_and_user_frames) {
  const std::string z(1, '\0');
  auto t = tag(4, {
                      text_frame(4, "TRCK", "3/12"), text_frame(4, "TPOS", "2"),
                      text_frame(4, "MVIN", "/4"), frame(4, "WOAR", "http://a.example/\0junk"),
                      frame(4, "WXXX", z + "shop" + z + "http://s"),
                      frame(4, "TXXX", z + "REPLAYGAIN_TRACK_GAIN" + z + "-6.5 dB"),
                      frame(4, "TXXX", z + "replaygain_album_peak" + z + "0.5"),
                      frame(4, "TXXX", z + "MOOD" + z + "calm" + z + "warm"),
                      frame(4, "USLT", z + "eng" + "desc" + z + "la la"),
                      text_frame(4, "TCMP", "1"), text_frame(4, "TDOR", "1970"),
                      text_frame(4, "TXXX", ""),  // no description: kept, no field
                  });
  track_info_mutable info;
  auto consumed = read_id3v2_fields(parse_id3v2_tag(t), info);
  EXPECT_EQ(fields_text(info),
            "tracknumber=3\ntotaltracks=12\ndiscnumber=2\nmovement count=4\n"
            "artist webpage url=http://a.example/\nshop=http://s\nMOOD=calm; warm\n"
            "unsynced lyrics=la la\nitunescompilation=1\noriginal release date=1970\n"
            "rg:replaygain_album_peak=0.500000\nrg:replaygain_track_gain=-6.50 dB\n");
  EXPECT_FALSE(consumed.back());
}

TEST(id3v2_fields, comments_genres_dates_and_ratings) {
  const std::string z(1, '\0');
  auto comm = [&](std::string_view desc, std::string_view text) {
    return frame(3, "COMM", z + "eng" + std::string(desc) + z + std::string(text));
  };
  auto t = tag(3, {comm("", "plain"), comm("note", "described"), comm("iTunNORM", " 0000"),
                   text_frame(3, "TCON",
                              std::string("17") + z + "(17)" + z + "(200)" + z + "(RX)" + z +
                                  "(CR)" + z + "((Live)" + z + "(x)" + z + "Jazzy" + z + "126"),
                   text_frame(3, "TYER", "1999"), text_frame(3, "TDAT", "3112"),
                   frame(3, "POPM", "a@b" + z + "\xC4" + std::string(4, '\0'))});
  track_info_mutable info;
  auto consumed = read_id3v2_fields(parse_id3v2_tag(t), info);
  EXPECT_EQ(fields_text(info),
            "comment=plain\ncomment note=described\n"
            "genre=Rock; Rock; ; Remix; Cover; (Live); Jazzy; 126\n"
            "rating=4\ndate=1999-12-31\n");
  EXPECT_FALSE(consumed[2]);  // the iTunes comment stays a frame
  EXPECT_TRUE(consumed[4] && consumed[5]);

  // TYER that is not four digits is kept as text; TDAT then stays a frame of its own.
  EXPECT_EQ(read_fields(tag(3, {text_frame(3, "TYER", "late 90s"), text_frame(3, "TDAT", "0101")})),
            "date=late 90s\n");
  EXPECT_EQ(read_fields(tag(4, {text_frame(4, "TDRC", "2001-02-03T04:05")})),
            "date=2001-02-03T04:05\n");
  // Rating bytes: 0 no rating, 1 -> 1, 64 -> 2, 128 -> 3, 255 -> 5.
  for (auto [byte, want] : std::vector<std::pair<int, std::string>>{{0, ""},
                                                                    {1, "rating=1\n"},
                                                                    {64, "rating=2\n"},
                                                                    {128, "rating=3\n"},
                                                                    {255, "rating=5\n"}})
    EXPECT_EQ(read_fields(tag(3, {frame(3, "POPM", z + std::string(1, static_cast<char>(byte)))})),
              want);
  EXPECT_THROW(read_fields(tag(3, {frame(3, "POPM", "no rating" + z)})), id3parser::parseError);
  EXPECT_THROW(read_fields(tag(3, {frame(3, "POPM", "no terminator")})), id3parser::parseError);
}

TEST(id3v2_fields, writing_dates_ratings_encodings_and_tables) {
  track_info_mutable info;
  info.meta_add_value("date", "1999-12-31");
  info.meta_add_value("rating", "4");
  info.meta_add_value("artist", "A");
  info.meta_add_value("artist", "\xC3\xA9");
  info.meta_add_value("tracknumber", "3");
  info.meta_add_value("totaltracks", "12");
  info.meta_add_value("genre", "(odd)");
  info.meta_add_value("comment note", "c");
  info.meta_add_value("custom field", "x");
  info.meta_add_value("original release date", "1970");
  info.replaygain_set_from_text("replaygain_track_gain", "-3");
  auto v3 = build_id3v2_tag(nullptr, info, {});
  EXPECT_EQ(v3.major_version, 3);
  std::map<std::string, std::string> by_id;
  for (const auto& f : v3.frames) by_id[f.id] += std::string(f.payload.begin(), f.payload.end());
  auto utf16 = [](std::u16string_view s) { return "\x01" + utf16le_bom(s); };
  EXPECT_EQ(by_id["TYER"], utf16(u"1999"));
  EXPECT_EQ(by_id["TDAT"], utf16(u"3112"));
  EXPECT_EQ(by_id["POPM"], std::string("Windows Media Player 9 Series\0\xC4\0\0\0\0", 35));
  EXPECT_EQ(by_id["TPE1"], utf16(u"A") + std::string(2, '\0') + utf16le_bom(u"\u00e9"));
  EXPECT_EQ(by_id["TRCK"], utf16(u"3/12"));
  EXPECT_EQ(by_id["TCON"], utf16(u"((odd)"));
  EXPECT_EQ(by_id["TORY"], utf16(u"1970"));
  EXPECT_EQ(by_id.count("TDOR"), 0u);
  EXPECT_EQ(by_id["COMM"],
            "\x01"
            "eng" +
                utf16le_bom(u"note") + std::string(2, '\0') + utf16le_bom(u"c"));

  // Read back: the same fields, ReplayGain included.
  auto rendered = render_id3v2_tag(v3, 0, 0).bytes;
  track_info_mutable back;
  read_id3v2_fields(parse_id3v2_tag(to_bytes(rendered)), back);
  EXPECT_EQ(sorted_fields_text(back), sorted_fields_text(info));

  // Version 2.4: TDRC and UTF-8; "date" forms other than the full date stay text in 2.3.
  id3v2_tag old4;
  old4.major_version = 4;
  auto v4 = build_id3v2_tag(&old4, info, {});
  EXPECT_EQ(v4.frames[0].id, "TDRC");
  EXPECT_EQ(std::string(v4.frames[0].payload.begin(), v4.frames[0].payload.end()),
            "\x03"
            "1999-12-31");
  track_info_mutable partial;
  partial.meta_add_value("date", "1999 12 31");
  EXPECT_EQ(build_id3v2_tag(nullptr, partial, {}).frames.size(), 2u);
  partial.meta_set("date", "1999-12");
  EXPECT_EQ(build_id3v2_tag(nullptr, partial, {}).frames.size(), 1u);
  // "rating" outside 1..5 writes no POPM.
  track_info_mutable bad_rating;
  bad_rating.meta_add_value("rating", "6");
  EXPECT_TRUE(build_id3v2_tag(nullptr, bad_rating, {}).frames.empty());
}

TEST(id3v2_fields, round_trip_keeps_unknown_frames_and_pictures) {
  const std::string z(1, '\0');
  std::string picture =
      std::string("\0image/jpeg\0\x03", 13) + "front" + z + "\xFF\xD8\xFF\xE0 jpeg";
  std::string back_cover = std::string("\0image/png\0\x04", 12) + z + "\x89PNG\r\n\x1A\n....";
  auto original = tag(4, {text_frame(4, "TIT2", "Song"), frame(4, "APIC", picture),
                          frame(4, "PRIV", "owner" + z + "\x01\x02"), text_frame(4, "TDAT", "0101"),
                          frame(4, "COMM", z + "eng" + "iTunSMPB" + z + " 00000000"),
                          frame(4, "APIC", back_cover), text_frame(4, "TPE1", "A")});
  auto old = parse_id3v2_tag(original);
  track_info_mutable info;
  read_id3v2_fields(old, info);
  auto rebuilt = build_id3v2_tag(&old, info, {});
  auto reparsed = parse_id3v2_tag(to_bytes(render_id3v2_tag(rebuilt, 0, 0).bytes));
  track_info_mutable again;
  read_id3v2_fields(reparsed, again);
  EXPECT_EQ(sorted_fields_text(again), sorted_fields_text(info));
  std::vector<std::string> kept_old, kept_new;
  for (const auto& f : old.frames)
    if (f.id == "APIC" || f.id == "PRIV" || f.id == "TDAT" || f.id == "COMM")
      kept_old.push_back(f.id + std::string(f.payload.begin(), f.payload.end()));
  for (const auto& f : reparsed.frames)
    if (f.id == "APIC" || f.id == "PRIV" || f.id == "TDAT" || f.id == "COMM")
      kept_new.push_back(f.id + std::string(f.payload.begin(), f.payload.end()));
  EXPECT_EQ(kept_new, kept_old);

  // A new front cover replaces the old one of that type only; an empty edit removes.
  std::vector<picture_edit> edits = {
      {album_art_kind::front_cover, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 1}},
      {album_art_kind::back_cover, {}}};
  auto with_new = build_id3v2_tag(&old, info, edits);
  auto pictures = read_id3v2_pictures(with_new);
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_EQ(pictures[0].id3v2_type, 3);
  EXPECT_EQ(pictures[0].mime_type, "image/png");
  EXPECT_EQ(pictures[0].data.size(), 9u);
  auto old_pictures = read_id3v2_pictures(old);
  ASSERT_EQ(old_pictures.size(), 2u);
  EXPECT_EQ(old_pictures[0].description, "front");
  EXPECT_EQ(old_pictures[1].id3v2_type, 4);

  // A 2.2 tag is written as 2.3; its frames without a 2.3 form are left behind.
  auto v22 = parse_id3v2_tag(tag(2, {text_frame(2, "TT2", "Old"), text_frame(2, "XYZ", "?")}));
  track_info_mutable from22;
  read_id3v2_fields(v22, from22);
  auto as23 = build_id3v2_tag(&v22, from22, {});
  EXPECT_EQ(as23.major_version, 3);
  EXPECT_EQ(render_id3v2_tag(as23, 0, 0).bytes.find("XYZ"), std::string::npos);
}

TEST(id3v2_text, terminators_and_odd_lengths) {
  const uint8_t utf16[] = {0xFF, 0xFE, 'a', 0, 0, 0, 0xFE, 0xFF, 0, 'b', 0x41};
  auto values = decode_text_values(text_encoding::utf16_bom, utf16);
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0], "a");
  EXPECT_EQ(values[1], "b");  // its own big-endian mark; the odd last byte is dropped
  const uint8_t latin[] = {'x', 0};
  EXPECT_EQ(decode_text_values(text_encoding::latin1, latin).size(), 1u);
  std::span<const uint8_t> rest(utf16);
  EXPECT_EQ(take_terminated_text(text_encoding::utf16_bom, rest), "a");
  EXPECT_EQ(rest.size(), 5u);
  EXPECT_EQ(utf8_to_latin1("a\xE2\x82\xAC\xC3\xA9"), "a?\xE9");
}

}  // namespace
}  // namespace lumo::id3
