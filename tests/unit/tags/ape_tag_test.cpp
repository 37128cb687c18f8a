// APE tags: items to fields and back, pictures, the footer checks, and APE-tagged files.
#include "tags/ape_tag.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/exceptions.h"
#include "fs/file_system.h"
#include "id3_test_support.h"
#include "tags/ape_tag_service.h"
#include "tags/file_tags.h"
#include "tags/id3v1_tag.h"
#include "test_folder.h"

namespace lumo::ape {
namespace {

using lumo::testing::read_whole_file;
using lumo::testing::test_folder;
using lumo::testing::write_whole_file;

std::string u32(uint32_t v) {
  return std::string(reinterpret_cast<const char*>(&v), 4);
}

std::string text_item(std::string_view key, std::string_view value, uint32_t flags = 0) {
  return u32(static_cast<uint32_t>(value.size())) + u32(flags) + std::string(key) + '\0' +
         std::string(value);
}

// Items, then a footer (and a header in front for version 2000).
std::string ape_bytes(const std::vector<std::string>& items, uint32_t version = version_2,
                      int32_t size_fix = 0) {
  std::string body;
  for (const auto& i : items) body += i;
  const uint32_t size = static_cast<uint32_t>(body.size() + block_bytes + size_fix);
  auto block = [&](uint32_t flags) {
    return "APETAGEX" + u32(version) + u32(size) + u32(static_cast<uint32_t>(items.size())) +
           u32(flags) + std::string(8, '\0');
  };
  if (version == version_1) return body + block(0);
  return block(0xA0000000u) + body + block(0x80000000u);
}

track_info_mutable read_file(const std::string& url) {
  auto f = open_file(url, open_mode::read, abort_none());
  track_info_mutable info;
  read_file_tags(*f, info, abort_none());
  return info;
}

TEST(ape_tag, items_to_fields_with_renames_and_pictures) {
  test_folder folder;
  const std::string url = folder / "a.mp3";
  std::string picture = "cover.jpg";
  picture += '\0';
  picture += "\xFF\xD8jpegdata";
  const std::string tag =
      ape_bytes({text_item("Title", "T"), text_item("Artist", std::string("A\0B", 3)),
                 text_item("Track", "3/12"), text_item("Disc", "2"), text_item("Year", "1999"),
                 text_item("REPLAYGAIN_TRACK_GAIN", "-4 dB"),
                 text_item("Cover Art (Front)", picture, 2u), text_item("Link", "http://x", 4u)});
  track_info_mutable v1info;
  v1info.meta_add_value("title", "v1");
  v1info.meta_add_value("album", "From v1");
  auto v1 = id3::build_id3v1(v1info);
  write_whole_file(url, "audio" + tag + std::string(v1.begin(), v1.end()));
  auto info = read_file(url);
  EXPECT_EQ(test::fields_text(info),
            "Title=T\nArtist=A; B\ntracknumber=3\ntotaltracks=12\ndiscnumber=2\ndate=1999\n"
            "album=From v1\nrg:replaygain_track_gain=-4.00 dB\n");
  EXPECT_EQ(info.info_find_value("tagtype").value_or(""), "apev2|id3v1");
  auto f = open_file(url, open_mode::read, abort_none());
  auto art = find_album_art(*f, album_art_kind::front_cover, abort_none());
  ASSERT_TRUE(art);
  EXPECT_EQ(art->description, "cover.jpg");
  EXPECT_EQ(art->mime_type, "image/jpeg");
  EXPECT_EQ(std::string(art->data.begin(), art->data.end()), "\xFF\xD8jpegdata");
  f.reset();  // Windows refuses to replace a file we hold open

  // Version 1000: no header, "apev1".
  write_whole_file(url, "audio" + ape_bytes({text_item("Title", "Old")}, version_1));
  auto old = read_file(url);
  EXPECT_EQ(old.info_find_value("tagtype").value_or(""), "apev1");
  EXPECT_EQ(old.meta_find_value("title").value_or(""), "Old");
}

TEST(ape_tag, damaged_tags_are_data_errors) {
  test_folder folder;
  const std::string url = folder / "bad.mp3";
  auto expect_error = [&](const std::string& content, const char* why) {
    write_whole_file(url, content);
    EXPECT_THROW(read_file(url), sonatrix_io::exception_io_data) << why;
  };
  expect_error("audio" + ape_bytes({text_item("Title", "T")}, 3000), "version 3000");
  expect_error("audio" + ape_bytes({text_item("Title", "T")}, version_2, -20), "size below 32");
  expect_error("a" + ape_bytes({text_item("Title", "T")}, version_1, 100), "size past the file");
  auto past = ape_bytes({text_item("Title", "T")});
  past[32] = 100;  // the item's value size runs past the tag
  expect_error("audio" + past, "item past the tag");
  auto no_nul = ape_bytes({u32(1) + u32(0) + "Key"});
  expect_error("audio" + no_nul, "key without its terminator");
  // A footer-less file has no APE tag, and the service reads no fields.
  write_whole_file(url, "just audio");
  EXPECT_EQ(read_file(url).meta_count(), 0u);
}

TEST(ape_tag, writing_items_pictures_and_blocks) {
  track_info_mutable info;
  info.meta_add_value("tracknumber", "3");
  info.meta_add_value("totaltracks", "12");
  info.meta_add_value("discnumber", "1");
  info.meta_add_value("date", "2001");
  info.meta_add_value("artist", "A");
  info.meta_add_value("artist", "B");
  info.replaygain_set_from_text("replaygain_album_peak", "0.5");
  std::vector<picture_edit> edits = {{album_art_kind::front_cover, {0xFF, 0xD8, 0xFF, 1, 2}}};
  const std::string bytes = render_tag(build_tag(nullptr, info, edits));
  auto u32at = [&](size_t at) {
    uint32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
  };
  EXPECT_EQ(bytes.substr(0, 8), "APETAGEX");
  EXPECT_EQ(u32at(8), 2000u);
  EXPECT_EQ(u32at(12), bytes.size() - 32);
  EXPECT_EQ(u32at(16), 6u);
  EXPECT_EQ(u32at(20), 0xA0000000u);
  EXPECT_EQ(u32at(bytes.size() - 12), 0x80000000u);
  EXPECT_NE(bytes.find(std::string("Track\0"
                                   "3/12",
                                   10)),
            std::string::npos);
  EXPECT_NE(bytes.find(std::string("Disc\0"
                                   "1",
                                   6)),
            std::string::npos);
  EXPECT_NE(bytes.find(std::string("Year\0"
                                   "2001",
                                   9)),
            std::string::npos);
  EXPECT_NE(bytes.find(std::string("artist\0"
                                   "A\0B",
                                   10)),
            std::string::npos);
  EXPECT_NE(bytes.find(std::string("replaygain_album_peak\0"
                                   "0.500000",
                                   30)),
            std::string::npos);
  EXPECT_NE(bytes.find(std::string("Cover Art (Front)\0hello.jpg\0\xFF\xD8", 30)),
            std::string::npos);
  const std::string header_only = render_tag(build_tag(nullptr, info, edits), true);
  EXPECT_EQ(header_only, bytes.substr(0, bytes.size() - 32));
  // Parsed back: the same fields and the picture.
  std::vector<uint8_t> raw(bytes.begin(), bytes.end());
  auto parsed = parse_tag(std::span(raw).subspan(32), 0);
  track_info_mutable back;
  auto pictures = read_fields(parsed, back);
  EXPECT_EQ(test::sorted_fields_text(back), test::sorted_fields_text(info));
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_EQ(pictures[0].description, "hello.jpg");
  // PNG and GIF data get their own extensions.
  for (auto [data, name] : std::vector<std::pair<std::vector<uint8_t>, std::string>>{
           {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, "hello.png"},
           {{'G', 'I', 'F', '8', '9', 'a'}, "hello.gif"}}) {
    std::vector<picture_edit> e = {{album_art_kind::back_cover, data}};
    EXPECT_NE(render_tag(build_tag(nullptr, track_info_mutable(), e))
                  .find("Cover Art (Back)" + std::string(1, '\0') + name),
              std::string::npos);
  }
}

TEST(ape_tag, ape_tagged_files_and_mp3_with_ape_and_id3v1) {
  EXPECT_TRUE(is_ape_tagged_path("file:///music/a.WV"));
  EXPECT_TRUE(is_ape_tagged_path("C:\\x\\b.mp+"));
  EXPECT_FALSE(is_ape_tagged_path("file:///music.wv/a"));
  EXPECT_FALSE(is_ape_tagged_path("file:///a.mp3"));

  test_folder folder;
  const std::string url = folder / "a.wv";
  const std::string audio = "wvpk" + std::string(3000, '\x55');
  write_whole_file(url, audio);
  track_info_mutable info;
  info.meta_add_value("title", "Wave");
  info.meta_add_value("tracknumber", "4");
  std::vector<picture_edit> cover = {{album_art_kind::front_cover, {0xFF, 0xD8, 9}}};
  write_ape_tagged_file(url, info, cover, abort_none());
  auto f = open_file(url, open_mode::read, abort_none());
  track_info_mutable back;
  read_ape_tagged_file(*f, back, abort_none());
  f.reset();
  EXPECT_EQ(back.meta_find_value("title").value_or(""), "Wave");
  EXPECT_EQ(back.info_find_value("tagtype").value_or(""), "apev2");
  EXPECT_EQ(read_whole_file(url).substr(0, audio.size()), audio);
  // Written again without a picture edit: the cover stays.
  info.meta_set("title", "Again");
  write_ape_tagged_file(url, info, {}, abort_none());
  auto f2 = open_file(url, open_mode::read, abort_none());
  EXPECT_TRUE(find_album_art(*f2, album_art_kind::front_cover, abort_none()));
  f2.reset();
  remove_ape_tag(url, abort_none());
  EXPECT_EQ(read_whole_file(url), audio);

  // An MP3 with ID3v2, APE and ID3v1, written back with its own types.
  const std::string mp3 = folder / "b.mp3";
  write_whole_file(mp3, "\xFF\xFB\x90\x64" + std::string(500, '\0'));
  file_tag_write all;
  all.types.id3v2 = all.types.ape = all.types.id3v1 = true;
  write_file_tags(mp3, info, all, abort_none());
  auto tags = read_file(mp3);
  EXPECT_EQ(tags.info_find_value("tagtype").value_or(""), "id3v2.3|apev2|id3v1");
  auto types = tag_types_of(tags);
  EXPECT_TRUE(types.id3v2 && types.ape && types.id3v1);
}

}  // namespace
}  // namespace lumo::ape
