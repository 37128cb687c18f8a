// Tags of whole files on disk: reading every tag, writing in place or by rewriting, and
// the audio between the tags never changing.
#include "tags/file_tags.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/exceptions.h"
#include "fs/file_system.h"
#include "id3_test_support.h"
#include "tags/id3v1_tag.h"
#include "tags/id3v2_fields.h"
#include "test_folder.h"

namespace lumo {
namespace {

using namespace lumo::test;
using lumo::testing::read_whole_file;
using lumo::testing::test_folder;
using lumo::testing::write_whole_file;

// Stand-in audio: every byte value, including the 0xFF 0xE0 of frame syncs and "TAG".
std::string audio_bytes() {
  std::string audio;
  for (int i = 0; i < 5000; ++i) audio.push_back(static_cast<char>((i * 7) & 0xFF));
  return audio + "\xFF\xFB\x90\x00TAGAPETAGEX";
}

std::string as_string(const byte_vector& b) {
  return std::string(b.begin(), b.end());
}

track_info_mutable read_tags(const std::string& url, file_tag_layout* layout = nullptr) {
  auto f = open_file(url, open_mode::read, abort_none());
  track_info_mutable info;
  auto l = read_file_tags(*f, info, abort_none());
  if (layout) *layout = l;
  return info;
}

file_tag_write request(bool id3v2, bool id3v1) {
  file_tag_write w;
  w.types.id3v2 = id3v2;
  w.types.id3v1 = id3v1;
  return w;
}

TEST(file_tags, untagged_file_gets_id3v2_and_id3v1_then_edits_in_place) {
  test_folder folder;
  const std::string url = folder / "a.mp3";
  const std::string audio = audio_bytes();
  write_whole_file(url, audio);
  EXPECT_EQ(read_tags(url).info_count(), 0u);

  track_info_mutable info;
  info.meta_add_value("title", "T\xC3\xADtulo");
  info.meta_add_value("artist", "A");
  info.meta_add_value("tracknumber", "5");
  write_file_tags(url, info, request(true, true), abort_none());
  file_tag_layout layout;
  auto back = read_tags(url, &layout);
  EXPECT_EQ(back.info_find_value("tagtype").value_or(""), "id3v2.3|id3v1");
  EXPECT_EQ(back.meta_find_value("title").value_or(""), "T\xC3\xADtulo");
  EXPECT_EQ(back.meta_find_value("tracknumber").value_or(""), "5");
  EXPECT_EQ(layout.id3v2.count, 1u);
  EXPECT_TRUE(layout.has_id3v1);
  std::string bytes = read_whole_file(url);
  const size_t tag_size = layout.id3v2.first_tag_bytes;
  EXPECT_GE(tag_size - 10, 2048u);  // a new tag gets 2048 bytes of padding
  EXPECT_EQ(bytes.substr(tag_size, audio.size()), audio);
  EXPECT_EQ(bytes.size(), tag_size + audio.size() + 128);

  // A small edit fits in the padding: same size, same audio, new fields.
  info.meta_set("title", "Second");
  write_file_tags(url, info, request(true, true), abort_none());
  std::string edited = read_whole_file(url);
  EXPECT_EQ(edited.size(), bytes.size());
  EXPECT_EQ(edited.substr(tag_size, audio.size()), audio);
  EXPECT_EQ(read_tags(url).meta_find_value("title").value_or(""), "Second");

  // Dropping ID3v1 cuts the file after the audio; dropping ID3v2 rewrites without it.
  write_file_tags(url, info, request(true, false), abort_none());
  EXPECT_EQ(read_whole_file(url).size(), tag_size + audio.size());
  write_file_tags(url, info, request(false, false), abort_none());
  EXPECT_EQ(read_whole_file(url), audio);
}

TEST(file_tags, padding_thresholds_decide_in_place_or_rewrite) {
  test_folder folder;
  const std::string audio = audio_bytes();
  track_info_mutable info;
  info.meta_add_value("title", "x");
  id3::id3v2_tag probe = id3::build_id3v2_tag(nullptr, info, {});
  const size_t bare = id3::render_id3v2_tag(probe, 0, 0).bytes.size();
  for (size_t spare : {size_t{10000}, size_t{20000}}) {
    const std::string url = folder / ("p" + std::to_string(spare) + ".mp3");
    // An old 2.3 tag of exactly bare + spare bytes (just padding).
    auto old = tag(3, {}, 0, bare + spare - 10);
    write_whole_file(url, as_string(old) + audio);
    write_file_tags(url, info, request(true, false), abort_none());
    std::string bytes = read_whole_file(url);
    const size_t want = spare == 10000 ? bare + 10000 : bare + 2048;
    EXPECT_EQ(bytes.size(), want + audio.size()) << spare;
    EXPECT_EQ(bytes.substr(want), audio);
  }
}

TEST(file_tags, damaged_tags_fail_and_leave_the_file_alone) {
  test_folder folder;
  const std::string url = folder / "bad.mp3";
  auto bad = tag(3, {frame(3, "TIT2", "\0x")});
  bad[10 + 7] = 50;  // frame size past the tag
  const std::string content = as_string(bad) + audio_bytes();
  write_whole_file(url, content);
  try {
    read_tags(url);
    ADD_FAILURE() << "no error";
  } catch (const sonatrix_io::exception_io_data& e) {
    EXPECT_NE(std::string(e.what()).find("ID3v2 parse error"), std::string::npos);
  }
  track_info_mutable info;
  info.meta_add_value("title", "new");
  EXPECT_THROW(write_file_tags(url, info, request(true, true), abort_none()),
               sonatrix_io::exception_io_data);
  EXPECT_EQ(read_whole_file(url), content);

  // A tag claiming more bytes than the file has.
  auto huge = tag(3, {text_frame(3, "TIT2", "x")});
  huge[6] = 0x7F;
  write_whole_file(url, as_string(huge));
  EXPECT_THROW(read_tags(url), sonatrix_io::exception_io_data);
}

TEST(file_tags, several_leading_tags_ape_and_pictures) {
  test_folder folder;
  const std::string url = folder / "multi.mp3";
  const std::string audio = audio_bytes();
  std::string picture =
      std::string("\0image/jpeg\0\x03", 13) + std::string(1, '\0') + "\xFF\xD8jpeg";
  auto first = tag(4, {text_frame(4, "TIT2", "First"), frame(4, "APIC", picture)});
  auto second = tag(3, {text_frame(3, "TIT2", "Second")});
  // An APE tag (footer only, no items) and an ID3v1 tag at the end.
  std::string ape = "APETAGEX";
  for (uint32_t v : {2000u, 32u, 0u, 0u, 0u, 0u}) ape.append(reinterpret_cast<const char*>(&v), 4);
  track_info_mutable v1_info;
  v1_info.meta_add_value("title", "v1 title");
  v1_info.meta_add_value("album", "v1 album");
  auto v1 = id3::build_id3v1(v1_info);
  write_whole_file(
      url, as_string(first) + as_string(second) + audio + ape + std::string(v1.begin(), v1.end()));
  file_tag_layout layout;
  auto info = read_tags(url, &layout);
  EXPECT_EQ(layout.id3v2.count, 2u);
  EXPECT_EQ(layout.id3v2.total_bytes, first.size() + second.size());
  EXPECT_EQ(layout.ape_bytes, 32u);
  EXPECT_EQ(info.meta_find_value("title").value_or(""), "First");     // ID3v2 wins
  EXPECT_EQ(info.meta_find_value("album").value_or(""), "v1 album");  // ID3v1 fills in
  auto f = open_file(url, open_mode::read, abort_none());
  auto art = find_album_art(*f, album_art_kind::front_cover, abort_none());
  ASSERT_TRUE(art);
  EXPECT_EQ(std::string(art->data.begin(), art->data.end()), "\xFF\xD8jpeg");
  EXPECT_FALSE(find_album_art(*f, album_art_kind::back_cover, abort_none()));
  f.reset();

  // A rewrite replaces the first tag only; the second and the audio stay. The file's
  // tag types are written again.
  info.meta_set("title", std::string(5000, 'L'));
  file_tag_write same_types;
  same_types.types = tag_types_of(info);
  EXPECT_TRUE(same_types.types.id3v2 && same_types.types.ape && same_types.types.id3v1);
  write_file_tags(url, info, same_types, abort_none());
  auto after = read_whole_file(url);
  auto f2 = open_file(url, open_mode::read, abort_none());
  auto layout2 = scan_file_tags(*f2, abort_none());
  f2.reset();
  EXPECT_EQ(after.substr(layout2.id3v2.first_tag_bytes, second.size() + audio.size()),
            as_string(second) + audio);
  EXPECT_GT(layout2.ape_bytes, 64u);
  EXPECT_TRUE(layout2.has_id3v1);
  EXPECT_EQ(read_tags(url).meta_find_value("title").value_or("").size(), 5000u);

  EXPECT_TRUE(tag_types_of(read_tags(url)).id3v2);
  track_info_mutable types;
  types.info_set("tagtype", "apev2|ID3v1");
  auto t = tag_types_of(types);
  EXPECT_TRUE(t.ape && t.id3v1 && !t.id3v2);
}

}  // namespace
}  // namespace lumo
