// WAV and AIFF files whose "id3 " chunk carries an ID3v2 tag: its fields reach the track
// information, over the container's own; a damaged tag fails reading, not opening.
#include <gtest/gtest.h>

#include "core/exceptions.h"
#include "fs/memory_file.h"
#include "input/pcm/pcm_input.h"
#include "test_support.h"

namespace lumo::pcm {
namespace {

using test::bytes;

std::vector<uint8_t> id3_tag(std::string_view title, uint8_t frame_size_fix = 0) {
  bytes frames;
  frames.str("TIT2")
      .u32be(static_cast<uint32_t>(title.size() + 1 + frame_size_fix))
      .u16be(0)
      .u8(0)
      .str(title);
  frames.str("TXXX").u32be(25).u16be(0).u8(0).str("replaygain_track_gain").u8(0).str("-6");
  bytes tag;
  tag.str("ID3").u8(3).u8(0).u8(0).u32be(static_cast<uint32_t>(frames.size())).raw(frames.get());
  return tag.get();
}

std::vector<uint8_t> wav_with_id3(const std::vector<uint8_t>& tag) {
  bytes list;
  list.str("INFO").str("INAM").u32le(4).str("Old").u8(0).str("IART").u32le(5).str("Band").u8(0).u8(
      0);
  bytes b;
  b.str("RIFF").u32le(0).str("WAVE");
  b.str("fmt ").u32le(16).u16le(1).u16le(1).u32le(8000).u32le(16000).u16le(2).u16le(16);
  b.str("LIST").u32le(static_cast<uint32_t>(list.size())).raw(list.get());
  b.str("id3 ").u32le(static_cast<uint32_t>(tag.size())).raw(tag);
  if (tag.size() % 2) b.u8(0);
  b.str("data").u32le(4).zeros(4);
  return b.get();
}

track_info_mutable info_of(const std::vector<uint8_t>& content, pcm_container container) {
  file_ptr f = make_memory_file();
  f->write(content.data(), content.size(), abort_none());
  f->seek(0, abort_none());
  pcm_input input(container, f, abort_none());
  track_info_mutable info;
  input.get_info(0, info, abort_none());
  return info;
}

TEST(pcm_id3_chunk, wav_and_aiff_tags_reach_the_track_information) {
  auto info = info_of(wav_with_id3(id3_tag("New")), pcm_container::wav);
  EXPECT_EQ(info.meta_find_value("title").value_or(""), "New");  // replaces INAM
  EXPECT_EQ(info.meta_find_value("artist").value_or(""), "Band");
  EXPECT_EQ(info.get_replaygain().track_gain, -6.0f);
  EXPECT_EQ(info.info_find_value("tagtype").value_or(""), "id3v2.3");
  EXPECT_EQ(info.info_find_value("codec").value_or(""), "PCM");

  auto tag = id3_tag("Aiff");
  bytes a;
  bytes body;
  body.str("AIFF");
  body.str("COMM").u32be(18).u16be(1).u32be(2).u16be(16).raw(
      {0x40, 0x0B, 0xFA, 0, 0, 0, 0, 0, 0, 0});
  body.str("ID3 ").u32be(static_cast<uint32_t>(tag.size())).raw(tag);
  if (tag.size() % 2) body.u8(0);
  body.str("SSND").u32be(12).zeros(12);
  a.str("FORM").u32be(static_cast<uint32_t>(body.size())).raw(body.get());
  auto aiff = info_of(a.get(), pcm_container::aiff);
  EXPECT_EQ(aiff.meta_find_value("title").value_or(""), "Aiff");

  // A frame running past the tag: the information fails with the data error.
  EXPECT_THROW(info_of(wav_with_id3(id3_tag("Bad", 40)), pcm_container::wav),
               sonatrix_io::exception_io_data);
}

}  // namespace
}  // namespace lumo::pcm
