// Retagging MP3 files through the MPEG handler's info writer: the tag-writing scheme,
// the types a file already has, pictures, a writer holding the file, interrupted writes,
// and a long run of random edits that must never touch the audio.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <set>

#include "config/advanced_entries.h"
#include "core/exceptions.h"
#include "core/md5.h"
#include "fs/file_system.h"
#include "input/album_art.h"
#include "input/input_exceptions.h"
#include "input/input_open.h"
#include "input/mpeg/mpeg_tags.h"
#include "meta/field_name.h"
#include "mpeg_test_support.h"
#include "tags/file_tags.h"
#include "test_folder.h"

namespace lumo {
namespace {

using namespace lumo::test;
using lumo::testing::read_whole_file;
using lumo::testing::test_folder;
using lumo::testing::write_whole_file;

std::string fixture_text(std::string_view name) {
  auto b = read_file(mpeg_fixture(name));
  return std::string(b.begin(), b.end());
}

// The bytes between the leading and the trailing tags.
std::string audio_of(const std::string& url) {
  auto f = open_file(url, open_mode::read, abort_none());
  const auto layout = scan_file_tags(*f, abort_none());
  const std::string whole = read_whole_file(url);
  return whole.substr(layout.id3v2.total_bytes, layout.audio_end - layout.id3v2.total_bytes);
}

track_info_mutable info_of(const std::string& url) {
  track_info_mutable info;
  open_input_info_reader(url, nullptr, abort_none())->get_info(0, info, abort_none());
  return info;
}

size_t value_count(const track_info& info, std::string_view name) {
  const size_t entry = info.meta_find(name);
  return entry == track_info::npos ? 0 : info.meta_value_count(entry);
}

std::string tagtype_of(const std::string& url) {
  return std::string(info_of(url).info_find_value(info_names::tagtype).value_or(""));
}

void retag(const std::string& url, const track_info& info,
           const std::vector<picture_edit>& pictures = {}) {
  auto writer = open_input_info_writer(url, nullptr, abort_none());
  auto* editor = dynamic_cast<album_art_editor*>(writer.get());
  ASSERT_NE(editor, nullptr);
  for (const auto& p : pictures) editor->set_album_art(p.kind, p.data);
  writer->set_info(0, info, abort_none());
  writer->commit(abort_none());
}

// Restores the default choice whatever a test picked.
struct scheme_choice {
  explicit scheme_choice(advanced_checkbox_entry& choice) { choice.set_state(true); }
  ~scheme_choice() { advanced::scheme_id3v2_id3v1.set_state(true); }
};

std::vector<uint8_t> jpeg_of(size_t n, uint8_t seed) {
  std::vector<uint8_t> data{0xFF, 0xD8, 0xFF, 0xE0};
  for (size_t i = 4; i < n; ++i) data.push_back(static_cast<uint8_t>(i * 31 + seed));
  return data;
}

TEST(mpeg_retag, each_scheme_gives_an_untagged_file_its_tags) {
  test_folder folder;
  const std::string original = fixture_text("cbr128_notag_44k.mp3");
  const std::pair<advanced_checkbox_entry*, std::string> cases[] = {
      {&advanced::scheme_id3v2_id3v1, "id3v2.3|id3v1"},
      {&advanced::scheme_id3v2, "id3v2.3"},
      {&advanced::scheme_ape_id3v1, "apev2|id3v1"},
      {&advanced::scheme_ape, "apev2"},
  };
  EXPECT_TRUE(advanced::scheme_id3v2_id3v1.get_state()) << "the default choice";
  for (const auto& [choice, expected] : cases) {
    scheme_choice chosen(*choice);
    const std::string url =
        folder / (expected.substr(0, 5) + std::to_string(expected.size()) + ".mp3");
    write_whole_file(url, original);
    track_info_mutable info = info_of(url);
    EXPECT_EQ(info.info_find_value(info_names::tagtype), std::nullopt);
    info.meta_set("title", "Sch\xC3\xA9ma");
    info.meta_set("tracknumber", "3");
    info.meta_set("totaltracks", "12");
    retag(url, info);
    const auto after = info_of(url);
    EXPECT_EQ(after.info_find_value(info_names::tagtype).value_or(""), expected);
    EXPECT_EQ(after.meta_find_value("title", 0).value_or(""), "Sch\xC3\xA9ma") << expected;
    EXPECT_EQ(after.meta_find_value("totaltracks", 0).value_or(""), "12") << expected;
    EXPECT_EQ(audio_of(url), original) << expected;
    const std::string bytes = read_whole_file(url);
    EXPECT_EQ(bytes.find("APETAGEX") != std::string::npos, expected.starts_with("ape"));
    if (expected.ends_with("id3v1")) {
      EXPECT_EQ(bytes.substr(bytes.size() - 128, 3), "TAG");
      EXPECT_EQ(static_cast<uint8_t>(bytes[bytes.size() - 2]), 3) << "ID3v1.1 track";
    }
  }
}

TEST(mpeg_retag, a_tagged_file_keeps_its_types_whatever_the_scheme) {
  test_folder folder;
  const std::string url = folder / "ape.mp3";
  const std::string original = fixture_text("vbr4_mono_22k.mp3");
  write_whole_file(url, original);
  {
    scheme_choice chosen(advanced::scheme_ape_id3v1);
    track_info_mutable info;
    info.meta_set("artist", "First");
    retag(url, info);
  }
  ASSERT_EQ(tagtype_of(url), "apev2|id3v1");
  // The default scheme now: the file's own types win.
  track_info_mutable info = info_of(url);
  info.meta_set("artist", "Second");
  info.meta_add_value("artist", "Third");
  retag(url, info);
  auto after = info_of(url);
  EXPECT_EQ(after.info_find_value(info_names::tagtype).value_or(""), "apev2|id3v1");
  ASSERT_EQ(value_count(after, "artist"), 2u);
  EXPECT_EQ(after.meta_find_value("artist", 1).value_or(""), "Third");
  // A record that names no types (built from scratch) still writes what the file has.
  track_info_mutable fresh;
  fresh.meta_set("title", "Fresh");
  retag(url, fresh);
  EXPECT_EQ(tagtype_of(url), "apev2|id3v1");
  // "tagtype" naming all three writes all three; the audio never moves.
  info = info_of(url);
  info.info_set(info_names::tagtype, "id3v2.3|apev2|id3v1");
  retag(url, info);
  EXPECT_EQ(tagtype_of(url), "id3v2.3|apev2|id3v1");
  EXPECT_EQ(audio_of(url), original);
}

TEST(mpeg_retag, pictures_through_the_writer_and_the_album_art_reader) {
  test_folder folder;
  const std::string url = folder / "art.mp3";
  write_whole_file(url, fixture_text("cbr64_joint_24k.mp3"));
  const auto front = jpeg_of(3000, 1);
  {
    scheme_choice chosen(advanced::scheme_ape);
    retag(url, track_info_mutable{}, {{album_art_kind::front_cover, front}});
  }
  const std::string bytes = read_whole_file(url);
  const std::string key = std::string("Cover Art (Front)") + '\0' + "hello.jpg" + '\0';
  const size_t at = bytes.find(key);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(bytes.substr(at + key.size(), front.size()), std::string(front.begin(), front.end()));

  auto reader = open_album_art_reader(url, nullptr, abort_none());
  EXPECT_EQ(reader->query(album_art_kind::front_cover, abort_none()).data, front);
  EXPECT_THROW(reader->query(album_art_kind::back_cover, abort_none()),
               sonatrix_io::exception_album_art_not_found);
  reader.reset();

  // Picture edits alone are written by commit, keeping the fields.
  auto writer = open_input_info_writer(url, nullptr, abort_none());
  dynamic_cast<album_art_editor&>(*writer).remove_album_art(album_art_kind::front_cover);
  writer->commit(abort_none());
  writer.reset();
  EXPECT_TRUE(open_album_art_reader(url, nullptr, abort_none())->list(abort_none()).empty());

  // Formats without pictures say so.
  EXPECT_THROW(open_album_art_reader(url + ".wav", nullptr, abort_none()),
               sonatrix_io::exception_io);
}

// The writer holds the file open while it reads and writes, and a rewrite (a picture
// too big for the padding) still replaces the file - on Windows too - through the
// retagging temporary file, leaving nothing behind.
TEST(mpeg_retag, a_writer_holding_the_file_rewrites_it_and_reads_again) {
  test_folder folder;
  const std::string url = folder / "held.mp3";
  const std::string original = fixture_text("cbr128_joint_44k.mp3");
  write_whole_file(url, original);
  auto writer = open_input_info_writer(url, nullptr, abort_none());
  track_info_mutable info;
  writer->get_info(0, info, abort_none());
  info.meta_set("title", "Small");
  writer->set_info(0, info, abort_none());
  const uint64_t size = writer->get_file_stats(abort_none()).size;
  dynamic_cast<album_art_editor&>(*writer).set_album_art(album_art_kind::back_cover,
                                                         jpeg_of(60000, 2));
  info.meta_set("title", "Big");
  writer->set_info(0, info, abort_none());
  EXPECT_GT(writer->get_file_stats(abort_none()).size, size + 60000);
  track_info_mutable again;
  writer->get_info(0, again, abort_none());
  EXPECT_EQ(again.meta_find_value("title", 0).value_or(""), "Big");
  writer.reset();
  EXPECT_FALSE(find_file_system(url).exists(retagging_temporary_name(url)));
  EXPECT_FALSE(find_file_system(url).exists(url + ".tmp"));
  EXPECT_EQ(audio_of(url), original);
}

// A write interrupted at every step it takes leaves the old file or the new one: a
// rewrite always, whole; an in-place write changes only tag bytes. Either way the file
// decodes to the same samples.
TEST(mpeg_retag, an_interrupted_write_leaves_the_old_or_the_new_file) {
  test_folder folder;
  const std::string source = fixture_text("vbr0_joint_44k.mp3");
  const auto samples =
      decode_bytes(read_file(mpeg_fixture("vbr0_joint_44k.mp3")), "mem://interrupt.mp3").samples;
  struct interrupted {};
  int cases = 0;
  for (bool rewrite : {false, true}) {
    for (int stop_at = 0;; ++stop_at) {
      const std::string url = folder / "int.mp3";
      write_whole_file(url, source);
      track_info_mutable first;
      first.meta_set("title", "Before");
      retag(url, first);
      const std::string before = read_whole_file(url);
      track_info_mutable info = info_of(url);
      info.meta_set("title", "After");
      std::vector<picture_edit> pictures;
      if (rewrite) pictures.push_back({album_art_kind::front_cover, jpeg_of(40000, 3)});
      int step = 0;
      std::string temp_seen;
      bool stopped = false;
      try {
        file_ptr f = open_file(url, open_mode::write_existing, abort_none());
        mpeg::write_mpeg_tags(
            *f, url, info, pictures, [&] { f.reset(); }, abort_none(),
            [&](std::string_view name) {
              if (name == "before replace" &&
                  find_file_system(url).exists(retagging_temporary_name(url)))
                temp_seen = name;
              if (step++ == stop_at) throw interrupted{};
            });
      } catch (const interrupted&) {
        stopped = true;
      }
      const std::string after = read_whole_file(url);
      EXPECT_FALSE(find_file_system(url).exists(retagging_temporary_name(url)));
      EXPECT_EQ(audio_of(url), source) << stop_at;
      EXPECT_EQ(
          decode_bytes({after.begin(), after.end()}, "mem://int" + std::to_string(++cases) + ".mp3")
              .samples,
          samples);
      const std::string title(info_of(url).meta_find_value("title", 0).value_or(""));
      if (rewrite) {
        EXPECT_TRUE(title == "After" || after == before) << stop_at;
        if (!stopped) {
          EXPECT_EQ(temp_seen, "before replace");
        }
      } else {
        EXPECT_EQ(after.size(), before.size());
      }
      if (!stopped) break;
    }
  }
  EXPECT_GT(cases, 8);
}

std::string json_text(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// A copy of the file and what it should hold, for tests/tags/retag_torture_mutagen.py.
void save_sample(const std::string& folder_url, int n, const std::string& bytes,
                 const track_info& info,
                 const std::map<album_art_kind, std::vector<uint8_t>>& pictures) {
  const std::string stem = folder_url + "/sample-" + std::to_string(n);
  write_whole_file(stem + ".mp3", bytes);
  std::string json = "{\"meta\": {";
  for (size_t i = 0; i < info.meta_count(); ++i) {
    json += (i ? ", " : "") + json_text(info.meta_name(i)) + ": [";
    for (size_t v = 0; v < info.meta_value_count(i); ++v)
      json += (v ? ", " : "") + json_text(info.meta_value(i, v));
    json += "]";
  }
  json += "}, \"pictures\": [";
  bool first = true;
  for (const auto& [kind, data] : pictures) {
    json += (first ? "[" : ", [") + std::to_string(id3v2_picture_type(kind)) + ", \"";
    first = false;
    for (uint8_t b : md5(data)) {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02x", b);
      json += hex;
    }
    json += "\"]";
  }
  write_whole_file(stem + ".json", json + "]}\n");
}

// Random edits across files with every tag layout. After every write: the audio bytes
// are the original ones, the fields and pictures read back are exactly those written;
// every tenth write the decode is compared too. LUMO_RETAG_TORTURE_EDITS sets the count;
// LUMO_RETAG_TORTURE_SAMPLES (a folder URL) receives every 20th result for the
// independent reader.
TEST(mpeg_retag, torture) {
  const char* env = std::getenv("LUMO_RETAG_TORTURE_EDITS");
  const int edits = env ? std::atoi(env) : 400;
  const char* samples_url = std::getenv("LUMO_RETAG_TORTURE_SAMPLES");
  int samples = 0;
  test_folder folder;
  std::mt19937 rng(20261206);
  struct subject {
    std::string url;
    std::string audio;
    std::vector<float> samples;
    std::map<album_art_kind, std::vector<uint8_t>> pictures;
  };
  const char* fixtures[] = {"cbr128_notag_44k.mp3", "vbr2_mono_44k.mp3", "layer2_mono_24k.mp3",
                            "cbr32_mono_8k.mp3"};
  // Leading tags crafted as other programs write them: 2.3 without padding, 2.4 with.
  auto v2_tag = [](int version, std::string_view title, size_t padding) {
    std::string frame = "TIT2";
    const std::string payload = std::string(1, version == 4 ? '\3' : '\0') + std::string(title);
    const uint32_t n = static_cast<uint32_t>(payload.size());
    if (version == 4)
      frame += {char(n >> 21 & 0x7F), char(n >> 14 & 0x7F), char(n >> 7 & 0x7F), char(n & 0x7F)};
    else
      frame += {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
    frame += std::string(2, '\0') + payload + std::string(padding, '\0');
    const uint32_t s = static_cast<uint32_t>(frame.size());
    return std::string("ID3") + char(version) + '\0' + '\0' +
           std::string{char(s >> 21 & 0x7F), char(s >> 14 & 0x7F), char(s >> 7 & 0x7F),
                       char(s & 0x7F)} +
           frame;
  };
  std::vector<subject> subjects;
  for (const char* name : fixtures) {
    const std::string audio = fixture_text(name);
    const std::string layouts[] = {"", v2_tag(3, "Old", 0), v2_tag(4, "Old", 5000),
                                   v2_tag(4, "Old", 16384 - 40)};
    for (size_t l = 0; l < 4; ++l) {
      subject s{folder / (std::string(name) + std::to_string(l) + ".mp3"), audio, {}, {}};
      s.samples = decode_bytes(read_file(mpeg_fixture(name)), "mem://t" + s.url).samples;
      write_whole_file(s.url, layouts[l] + audio);
      subjects.push_back(std::move(s));
    }
    // ID3v2 + APE + ID3v1.
    subject s{folder / (std::string(name) + "all.mp3"), audio, {}, {}};
    s.samples = subjects.back().samples;
    write_whole_file(s.url, audio);
    track_info_mutable all;
    all.info_set(info_names::tagtype, "id3v2.3|apev2|id3v1");
    all.meta_set("title", "All three");
    retag(s.url, all);
    subjects.push_back(std::move(s));
  }
  const std::string words[] = {
      "a",      "Caf\xC3\xA9",         "\xE6\x9D\xB1\xE4\xBA\xAC", "\xF0\x9F\x8E\xB5 note",
      "x=y; z", std::string(300, 'L'), std::string(5000, 'M'),     std::string(16200, 'P')};
  // ID3v2 keeps several values only in multi-value frames and user text; the others
  // get one value or none.
  const char* names[] = {"title", "album", "comment", "artist", "composer", "custom field"};
  const size_t picture_sizes[] = {0, 0, 120, 9000, 15800, 16400, 70000, 250000};
  int decodes = 0, rewrites = 0;
  for (int e = 0; e < edits; ++e) {
    subject& s = subjects[rng() % subjects.size()];
    track_info_mutable info = info_of(s.url);
    for (int n = static_cast<int>(rng() % 3); n >= 0; --n) {
      const char* name = names[rng() % std::size(names)];
      const bool is_multi = std::string_view(name) == "artist" ||
                            std::string_view(name) == "composer" ||
                            std::string_view(name) == "custom field";
      const int values = static_cast<int>(rng() % (is_multi ? 3 : 2));
      info.meta_remove(name);
      for (int v = 0; v < values; ++v) info.meta_add_value(name, words[rng() % std::size(words)]);
    }
    std::vector<picture_edit> pictures;
    if (rng() % 4 == 0) {
      const auto kind = static_cast<album_art_kind>(rng() % 2);
      auto data = jpeg_of(picture_sizes[rng() % std::size(picture_sizes)], uint8_t(e));
      if (data.size() <= 4) data.clear();
      pictures.push_back({kind, data});
      if (data.empty())
        s.pictures.erase(kind);
      else
        s.pictures[kind] = data;
    }
    const uint64_t size_before = read_whole_file(s.url).size();
    retag(s.url, info, pictures);
    const std::string bytes = read_whole_file(s.url);
    rewrites += bytes.size() != size_before;
    ASSERT_EQ(audio_of(s.url), s.audio) << "edit " << e << " " << s.url;
    const auto back = info_of(s.url);
    ASSERT_EQ(back.meta_count(), info.meta_count()) << "edit " << e << " " << s.url;
    for (size_t i = 0; i < info.meta_count(); ++i) {
      const auto name = info.meta_name(i);
      ASSERT_EQ(value_count(back, name), info.meta_value_count(i)) << name << " edit " << e;
      for (size_t v = 0; v < info.meta_value_count(i); ++v)
        ASSERT_EQ(back.meta_find_value(name, v).value_or(""), info.meta_value(i, v)) << name;
    }
    auto listed = open_album_art_reader(s.url, nullptr, abort_none())->list(abort_none());
    std::map<album_art_kind, std::vector<uint8_t>> got;
    for (auto& p : listed) got[*album_art_kind_of_id3v2_type(p.id3v2_type)] = p.data;
    ASSERT_EQ(got, s.pictures) << "edit " << e;
    if (samples_url && e % 20 == 0) save_sample(samples_url, samples++, bytes, info, s.pictures);
    if (e % 10 == 0) {
      ++decodes;
      ASSERT_EQ(decode_bytes({bytes.begin(), bytes.end()}, "mem://d" + std::to_string(e) + ".mp3")
                    .samples,
                s.samples);
    }
  }
  EXPECT_GT(rewrites, edits / 20);
  std::printf("%d edits, %d rewrites, %d decodes compared\n", edits, rewrites, decodes);
}

}  // namespace
}  // namespace lumo
