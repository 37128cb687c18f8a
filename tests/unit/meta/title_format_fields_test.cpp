#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/library_title_format_hook.h"
#include "meta/time_text.h"
#include "meta/title_format_fields.h"
#include "meta/track_info_mutable.h"
#include "meta/track_info_title_format_hook.h"

namespace lumo {
namespace {

track_summary make_summary(std::string title, std::string artist, std::string album_artist,
                           std::string album, std::string track, std::string disc = "",
                           std::string date = "", double length = 0) {
  track_summary s;
  s.length = length;
  s.set_column(summary_column::title, title);
  s.set_column(summary_column::artist, artist);
  s.set_column(summary_column::album_artist, album_artist);
  s.set_column(summary_column::album, album);
  s.set_column(summary_column::tracknumber, track);
  s.set_column(summary_column::discnumber, disc);
  s.set_column(summary_column::date, date);
  return s;
}

std::string library_format(std::string_view script, const track_summary& summary,
                           const track_location& location, bool* found = nullptr) {
  library_title_format_hook hook(summary, location);
  return title_format_script::compile(script).format(hook, found);
}

TEST(TimeText, WholeSecondsWithWeekAndDayPrefixes) {
  EXPECT_EQ(format_time_text(3725), "1:02:05");
  EXPECT_EQ(format_time_text(65), "1:05");
  EXPECT_EQ(format_time_text(0), "0:00");
  EXPECT_EQ(format_time_text(59.5), "1:00");
  EXPECT_EQ(format_time_text(86400 + 5), "1d 0:00:05");
  EXPECT_EQ(format_time_text(2 * 604800 + 3 * 86400 + 3600), "2wk 3d 1:00:00");
  EXPECT_EQ(format_time_text(604800), "1wk 0d 0:00:00");
  EXPECT_EQ(format_time_text(-5), "0:00");
  EXPECT_EQ(format_time_text_ms(65.25), "1:05.250");
  EXPECT_EQ(format_time_text_ms(3599.9996), "1:00:00.000");
}

TEST(LibraryFields, SpecialFieldsFromLocationAndLength) {
  auto s = make_summary("", "Artist", "", "Album", "7", "", "", 3725.4);
  track_location loc{"file:///music/Album Dir/03 Song.final.flac", 2};
  EXPECT_EQ(library_format("%filename%|%filename_ext%|%directory%|%subsong%", s, loc),
            "03 Song.final|03 Song.final.flac|Album Dir|2");
  EXPECT_EQ(library_format("%path%", s, loc), "/music/Album Dir/03 Song.final.flac");
  EXPECT_EQ(library_format("%filename_sort%", s, loc), "03 Song.final|0000000002");
  EXPECT_EQ(library_format("%PATH_SORT%", s, loc),
            "/music/Album Dir/03 Song.final.flac|0000000002");
  EXPECT_EQ(library_format("%length%|%length_ex%|%length_seconds%", s, loc),
            "1:02:05|1:02:05.400|3725");
  // An empty title falls back to the file name and is still found.
  bool found = false;
  EXPECT_EQ(library_format("[%title%]", s, loc, &found), "03 Song.final");
  EXPECT_TRUE(found);
  EXPECT_EQ(library_format("%path%", s, track_location{}), "n/a");
  // Length 0: the field alone shows "?", a block holding it vanishes.
  auto silent = make_summary("T", "", "", "", "");
  EXPECT_EQ(library_format("%length%|[%length% left]|%length_seconds%", silent, loc), "?||?");
}

TEST(LibraryFields, ColumnsFallbacksAndTrackNumbers) {
  track_location loc{"file:///m/a.mp3", 0};
  auto s = make_summary("Song", "", "Various", "Hits", "7", "1", "1999");
  EXPECT_EQ(library_format("%artist%|%album artist%|%ALBUM%|%date%|%discnumber%", s, loc),
            "Various|Various|Hits|1999|1");
  EXPECT_EQ(library_format("%tracknumber%", s, loc), "07");
  EXPECT_EQ(library_format("%tracknumber%", make_summary("Song", "A", "", "", "123"), loc), "123");
  EXPECT_EQ(library_format("%tracknumber%|[%tracknumber%.]%genre%|%comment%",
                           make_summary("Song", "A", "", "", ""), loc),
            "?|?|?");
  auto only_artist = make_summary("Song", "Solo", "", "", "");
  EXPECT_EQ(library_format("%album artist%", only_artist, loc), "Solo");
  // Several values are shown joined by ", ".
  auto multi = make_summary("Song", "A; B; C", "A", "", "");
  EXPECT_EQ(library_format("%artist%", multi, loc), "A, B, C");
  // "track artist" only when artist and album artist both exist and differ.
  EXPECT_EQ(library_format("[%track artist%]", multi, loc), "A, B, C");
  EXPECT_EQ(library_format("$if(%track artist%,%album artist%,)", multi, loc), "A");
  EXPECT_EQ(library_format("$if(%track artist%,%album artist%,)",
                           make_summary("Song", "Same", "Same", "", ""), loc),
            "");
  EXPECT_EQ(library_format("[%track artist%]", only_artist, loc), "");
  // Values can never smuggle control bytes into a row.
  EXPECT_EQ(library_format("%title%", make_summary("a\tb\nc", "", "", "", ""), loc), "a_b_c");
}

// Filters like the default one but is not it, so every field is written one at a time.
class copy_of_default_filter : public title_format_text_filter {};

TEST(LibraryFields, ResolvedAheadOrOneByOneGiveTheSameText) {
  track_location loc{"file:///m/Disc 1/05 Intro.flac", 0};
  // The last has more fields than are resolved in one call.
  const std::string many_fields = [] {
    std::string s;
    for (int i = 0; i < 16; ++i) s += "%title%";
    return s + "[%tracknumber%]";
  }();
  const char* scripts[] = {
      "[[%discnumber%.]%tracknumber%. ]%title%[ // %track artist%]",
      "%album artist% - %album% - %artist%|%genre%|%date%|%comment%|[%length%]|%filename%",
      many_fields.c_str(),
  };
  std::vector<track_summary> tracks = {
      make_summary("", "A; B", "C", "X;Y; Z", "5", "2", "", 65),
      make_summary("T\x01;\x1f", "", "", "", "", "", "1999"),
      make_summary("Title", "Same", "Same", "Al\tbum", "12", "", "2001; 2002"),
      make_summary("", "", "", "", ";"),
  };
  copy_of_default_filter copy;
  for (const char* text : scripts) {
    auto script = title_format_script::compile(text);
    for (const auto& summary : tracks) {
      library_title_format_hook hook(summary, loc);
      std::string ahead, one_by_one;
      title_format_output out_ahead(ahead), out_one(one_by_one);
      bool found_ahead = script.evaluate(hook, out_ahead);
      bool found_one = script.evaluate(hook, out_one, &copy);
      EXPECT_EQ(ahead, one_by_one) << text;
      EXPECT_EQ(found_ahead, found_one) << text;
    }
  }
  auto s = make_summary("", "A; B", "C", "X;Y; Z", "5", "2");
  EXPECT_EQ(
      library_format("[[%discnumber%.]%tracknumber%. ]%title%[ // %track artist%]|%album%", s, loc),
      "2.05. 05 Intro // A, B|X;Y, Z");
}

// What a script sees of one field through each way the library provider resolves it.
struct field_result {
  bool known;
  std::string text;
  bool found;
  friend bool operator==(const field_result&, const field_result&) = default;
};

field_result by_name(library_title_format_hook& hook, std::string_view name) {
  std::string text;
  title_format_output out(text);
  title_format_field_output field_out(out, default_text_filter());
  bool found = false;
  bool known = hook.process_field(field_out, name, found);
  return {known, text, known && found};
}

field_result by_id(library_title_format_hook& hook, std::string_view name) {
  std::string text;
  title_format_output out(text);
  title_format_field_output field_out(out, default_text_filter());
  bool found = false;
  bool known = hook.process_known_field(field_out, name, find_known_field(name), found);
  return {known, text, known && found};
}

// What the script "%name%" shows, which cannot tell an unknown field from a known one
// without a value; "[%name%]" must show the same when found and nothing otherwise.
field_result by_script(library_title_format_hook& hook, std::string_view name) {
  bool found = false;
  std::string field = "%" + std::string(name) + "%";
  std::string text = title_format_script::compile(field).format(hook, &found);
  EXPECT_EQ(title_format_script::compile("[" + field + "]").format(hook), found ? text : "")
      << name;
  return {true, text, found};
}

TEST(LibraryFields, IdNameAndScriptResolutionAgree) {
  const char* names[] = {"filename",   "FILENAME_EXT",   "filename_sort", "path",
                         "path_sort",  "directory",      "subsong",       "length",
                         "length_ex",  "Length_Seconds", "title",         "tracknumber",
                         "artist",     "Album Artist",   "genre",         "album",
                         "discnumber", "date",           "track artist",  "comment",
                         "albumartist"};
  std::vector<std::pair<track_summary, track_location>> tracks = {
      {make_summary("Song", "A; B", "C", "Al;bum", "7", "2", "1999", 65.5),
       {"file:///m/Dir/01 x.flac", 3}},
      {make_summary("", "", "Various", "", "", "", "", 0), {"file:///m/Dir/\tnamed.mp3", 0}},
      {make_summary("T\x01", "Solo", "", "x", "12", "", "", 3725), {"", 0}},
      {make_summary("", "Same", "Same", "", ";", "", "2001; 2002", -1), {"http://host/a", 1}},
  };
  for (const auto& [summary, location] : tracks) {
    library_title_format_hook hook(summary, location);
    for (const char* name : names) {
      field_result named = by_name(hook, name);
      EXPECT_EQ(by_id(hook, name), named) << name;
      EXPECT_EQ(by_script(hook, name),
                (field_result{true, named.known ? named.text : "?", named.found}))
          << name;
    }
  }
}

// Views build each row of a script made of fields, literals and blocks in one go once
// every field is resolved; that must match writing the fields one at a time (a filter
// that is not the default one forces that), whatever the values hold.
TEST(LibraryFields, RowsBuiltInOneGoMatchFieldByField) {
  const char* scripts[] = {
      "[[%discnumber%.]%tracknumber%. ]%title%[ // %track artist%]",
      "[$stricmp(a,A)x%discnumber%]|[a[b[c%genre%]d]e%date%]f",
      "%title%[ %length% ]%album%",  // a field written directly: blocks decided by writing
      "[%title%]",
      "x%title%y%title%z",
      "%tracknumber%%title%%album%",
      // Literals of sixteen bytes and more are split over several operations.
      "sixteen bytes ok%title%[ and a literal of forty bytes, more or less %album%]",
  };
  std::vector<std::string> texts = {""};
  for (size_t length = 1; length <= 20; ++length)
    for (char special : {'\t', ';', ' ', '\x1f', '\xC3', '\x7f'})
      for (size_t at : {size_t{0}, length / 2, length - 1}) {
        std::string text(length, 'v');
        text[at] = special;
        if (special == ';' && at + 1 < length) text[at + 1] = ' ';
        texts.push_back(text);
      }
  texts.push_back(std::string(600, 'L'));  // longer than a row is built in
  copy_of_default_filter copy;
  track_location loc{"file:///m/\x02odd\tname;.flac", 0};
  for (const char* text : scripts) {
    auto script = title_format_script::compile(text);
    for (const std::string& value : texts) {
      for (const auto& summary : {make_summary(value, value, "AA", value, "5", "", value, 61),
                                  make_summary("", "", value, "", value, value, "")}) {
        library_title_format_hook hook(summary, loc);
        for (size_t cap : {title_format_output::default_max_bytes, size_t{7}}) {
          std::string at_once, one_by_one;
          title_format_output out_at_once(at_once, cap), out_one(one_by_one, cap);
          out_at_once.append("pre");
          out_one.append("pre");
          bool found_at_once = script.evaluate(hook, out_at_once);
          bool found_one = script.evaluate(hook, out_one, &copy);
          ASSERT_EQ(at_once, one_by_one) << text << " / " << value << " / cap " << cap;
          ASSERT_EQ(found_at_once, found_one) << text << " / " << value;
        }
      }
    }
  }
}

TEST(LibraryFields, DefaultScriptsOfTheProgram) {
  track_location loc{"file:///Music/Miles Davis/Kind of Blue/02 Freddie Freeloader.flac", 0};
  auto s = make_summary("Freddie Freeloader", "Miles Davis", "Miles Davis", "Kind of Blue", "2",
                        "1", "1959-08-17", 589.0);
  auto compilation = make_summary("Boogie Stop Shuffle", "Charles Mingus", "Various Artists",
                                  "Jazz Classics", "11", "", "", 300.0);
  auto bare = make_summary("", "", "", "", "");
  track_location bare_loc{"file:///downloads/untitled.mp3", 0};

  const char* track_row = "[[%discnumber%.]%tracknumber%. ]%title%";
  EXPECT_EQ(library_format(track_row, s, loc), "1.02. Freddie Freeloader");
  EXPECT_EQ(library_format(track_row, compilation, loc), "11. Boogie Stop Shuffle");
  EXPECT_EQ(library_format(track_row, bare, bare_loc), "untitled");

  const char* now_playing = "%album artist% - %album% - [[%discnumber%.]%tracknumber%. ]%title%";
  EXPECT_EQ(library_format(now_playing, s, loc),
            "Miles Davis - Kind of Blue - 1.02. Freddie Freeloader");
  EXPECT_EQ(library_format(now_playing, bare, bare_loc), "? - ? - untitled");

  const char* album_artist_if = "$if(%track artist%,%album artist%,)";
  EXPECT_EQ(library_format(album_artist_if, s, loc), "");
  EXPECT_EQ(library_format(album_artist_if, compilation, loc), "Various Artists");

  const char* album_key = "$directory_path(%path%)\t%album artist%\t%date%\t%album%";
  EXPECT_EQ(library_format(album_key, s, loc),
            "/Music/Miles Davis/Kind of Blue\tMiles Davis\t1959-08-17\tKind of Blue");
  EXPECT_EQ(library_format(album_key, compilation, loc),
            "/Music/Miles Davis/Kind of Blue\tVarious Artists\t?\tJazz Classics");

  EXPECT_EQ(library_format("[%date%]", s, loc), "1959-08-17");
  EXPECT_EQ(library_format("[%date%]", compilation, loc), "");

  const char* album_header = "%album artist% - %date%\t%album artist% - %album%[ '['%date%']']";
  EXPECT_EQ(library_format(album_header, s, loc),
            "Miles Davis - 1959-08-17\tMiles Davis - Kind of Blue [1959-08-17]");
  EXPECT_EQ(library_format(album_header, compilation, loc),
            "Various Artists - ?\tVarious Artists - Jazz Classics");
}

TEST(TrackInfoFields, MetaInfoAndSpecialFields) {
  track_info_mutable info;
  info.meta_add_value("Artist", "A");
  info.meta_add_value("artist", "B");
  info.meta_add_value("TITLE", "Tune");
  info.meta_add_value("comment", "line1\r\nline2");
  info.info_set("codec", "FLAC");
  info.info_set("samplerate", "44100");
  info.set_length(65.4);
  track_location loc{"file:///x/y/song.flac", 3};

  track_info_title_format_hook hook(info, &loc);
  auto run = [&](std::string_view script, bool* found = nullptr) {
    return title_format_script::compile(script).format(hook, found);
  };
  bool found = false;
  EXPECT_EQ(run("%artist% - %title%", &found), "A, B - Tune");
  EXPECT_TRUE(found);
  EXPECT_EQ(run("%comment%"), "line1__line2");
  EXPECT_EQ(run("%CODEC% %samplerate%Hz %length% %length_seconds%"), "FLAC 44100Hz 1:05 65");
  EXPECT_EQ(run("%filename_ext% %directory% %subsong%"), "song.flac y 3");
  EXPECT_EQ(run("%album%|[%album%]", &found), "?|");
  EXPECT_FALSE(found);

  // Without a location only the record's own fields resolve.
  track_info_mutable empty;
  track_info_title_format_hook bare(empty);
  EXPECT_EQ(title_format_script::compile("%path%|[%length%]|%length%").format(bare), "?||?");
}

}  // namespace
}  // namespace lumo
