// The ID3v2 tag structure: headers, versions, unsynchronisation, frame layouts, and the
// damage that must be a parse error rather than a crash or a wrong read.
#include "tags/id3v2_tag.h"

#include <gtest/gtest.h>

#include "core/exceptions.h"
#include "id3_test_support.h"

namespace lumo::id3 {
namespace {

using namespace lumo::test;

std::string payload_text(const id3v2_frame& f) {
  return std::string(f.payload.begin(), f.payload.end());
}

TEST(id3v2_tag, versions_and_frame_layouts) {
  auto v3 = tag(3, {text_frame(3, "TIT2", "Three"), text_frame(3, "TPE1", "Artist")}, 0, 20);
  auto t3 = parse_id3v2_tag(v3);
  EXPECT_EQ(t3.major_version, 3);
  ASSERT_EQ(t3.frames.size(), 2u);  // padding ends the frames
  EXPECT_EQ(t3.frames[1].id, "TPE1");
  EXPECT_EQ(payload_text(t3.frames[0]), std::string("\0Three", 6));

  // 2.4 sizes are synch-safe: a 200-byte payload is 0x01 0x48.
  std::string long_text(199, 'x');
  auto v4 = tag(4, {text_frame(4, "TIT2", long_text)});
  EXPECT_EQ(v4[10 + 6], 0x01);
  EXPECT_EQ(v4[10 + 7], 0x48);
  EXPECT_EQ(parse_id3v2_tag(v4).frames[0].payload.size(), 200u);

  // 2.2: three-letter ids translated, PIC's format becomes a MIME type, unknown ids kept.
  std::string pic = std::string("\0PNG\x03", 5) + std::string("cover\0", 6) + "DATA";
  auto v2 = tag(2, {text_frame(2, "TT2", "Old"), frame(2, "PIC", pic), text_frame(2, "XYZ", "?")});
  auto t2 = parse_id3v2_tag(v2);
  ASSERT_EQ(t2.frames.size(), 3u);
  EXPECT_EQ(t2.frames[0].id, "TIT2");
  EXPECT_EQ(t2.frames[1].id, "APIC");
  EXPECT_EQ(payload_text(t2.frames[1]), std::string("\0image/png\0\x03"
                                                    "cover\0DATA",
                                                    22));
  EXPECT_EQ(t2.frames[2].id, "XYZ");
  auto jpg = tag(
      2, {frame(2, "PIC", std::string("\0JPGx", 5)), frame(2, "PIC", std::string("\0BMPx", 5))});
  auto tj = parse_id3v2_tag(jpg);
  EXPECT_EQ(payload_text(tj.frames[0]).substr(0, 12), std::string("\0image/jpeg\0", 12));
  EXPECT_EQ(payload_text(tj.frames[1]).substr(0, 17), std::string("\0image/x-unknown\0", 17));
}

TEST(id3v2_tag, unsynchronisation_extended_headers_and_frame_flags) {
  // 2.3 whole-tag unsynchronisation: FF 00 in the body reads as FF, sizes included.
  byte_vector body = frame(3, "TIT2", std::string("\0\xFF\xFE", 3));
  byte_vector unsynced;
  for (uint8_t b : body) {
    unsynced.push_back(b);
    if (b == 0xFF) unsynced.push_back(0);
  }
  byte_vector v3 = to_bytes("ID3");
  v3.insert(v3.end(), {3, 0, 0x80});
  put_synchsafe(v3, static_cast<uint32_t>(unsynced.size()));
  v3.insert(v3.end(), unsynced.begin(), unsynced.end());
  EXPECT_EQ(payload_text(parse_id3v2_tag(v3).frames[0]), std::string("\0\xFF\xFE", 3));

  // 2.3 extended header (size 6 after its size field) is skipped.
  byte_vector ext = {0, 0, 0, 6, 0, 0, 0, 0, 0, 0};
  auto with_ext = tag(3, {ext, text_frame(3, "TIT2", "E")}, 0x40);
  EXPECT_EQ(parse_id3v2_tag(with_ext).frames.at(0).id, "TIT2");
  // 2.4 extended header counts its own size bytes.
  byte_vector ext4 = {0, 0, 0, 6, 1, 0};
  auto with_ext4 = tag(4, {ext4, text_frame(4, "TIT2", "E")}, 0x40);
  EXPECT_EQ(parse_id3v2_tag(with_ext4).frames.at(0).id, "TIT2");

  // 2.4 per-frame unsynchronisation with a data length indicator (flags 0x0003).
  byte_vector dli;
  put_synchsafe(dli, 3);
  std::string f4 = std::string(dli.begin(), dli.end()) + std::string("\0\xFF\x00\xE0", 4);
  auto v4 = tag(4, {frame(4, "TXXX", f4, 0x0003)});
  EXPECT_EQ(payload_text(parse_id3v2_tag(v4).frames[0]), std::string("\0\xFF\xE0", 3));

  // 2.3 compressed and encrypted frames are dropped; a grouped frame loses its group byte.
  auto flagged =
      tag(3, {frame(3, "TIT1", "\0\0\0\x10zz", 0x0080), frame(3, "TIT2", "\x01z", 0x0040),
              frame(3, "TIT3", std::string("\x07\0G", 3), 0x0020)});
  auto tf = parse_id3v2_tag(flagged);
  ASSERT_EQ(tf.frames.size(), 1u);
  EXPECT_EQ(payload_text(tf.frames[0]), std::string("\0G", 2));

  // A 2.4 tag with a footer counts it in its total size.
  auto footer = tag(4, {text_frame(4, "TIT2", "F")}, 0x10);
  EXPECT_EQ(parse_id3v2_header(footer)->total_bytes(), footer.size() + 10);
}

TEST(id3v2_tag, damage_is_a_parse_error) {
  auto expect_error = [](const byte_vector& bytes, const char* why) {
    EXPECT_THROW(parse_id3v2_tag(bytes), id3parser::parseError) << why;
  };
  auto good = tag(3, {text_frame(3, "TIT2", "T")});
  auto bad_version = good;
  bad_version[3] = 5;
  expect_error(bad_version, "version 2.5");
  auto v2_compressed = tag(2, {text_frame(2, "TT2", "T")}, 0x40);
  expect_error(v2_compressed, "2.2 compression flag");
  expect_error(tag(3, {text_frame(3, "TIT2", "T")}, 0x10), "footer flag in 2.3");
  expect_error(tag(4, {text_frame(4, "TIT2", "T")}, 0x08), "unknown 2.4 flag");
  auto bad_size = good;
  bad_size[9] = 0x80;
  expect_error(bad_size, "tag size with a high bit");
  auto cut = good;
  cut.resize(cut.size() - 1);
  expect_error(cut, "tag runs past the end of the bytes");
  expect_error(tag(3, {byte_vector{0, 0, 0, 4, 0, 0, 0, 0}}, 0x40), "extended header below 6");
  expect_error(tag(4, {byte_vector{0, 0, 0, 5, 0, 0}}, 0x40), "2.4 extended header below 6");
  expect_error(tag(3, {byte_vector{0, 0, 0x10, 0, 0, 0}}, 0x40), "extended header past the tag");
  // A frame whose size points past the tag.
  auto past = frame(3, "TIT2", "\0abc");
  past[7] = 100;
  expect_error(tag(3, {past}), "frame past the tag");
  // A 2.4 frame size that is not synch-safe.
  auto not_safe = frame(4, "TIT2", "\0abc");
  not_safe[6] = 0x80;
  expect_error(tag(4, {not_safe, byte_vector(200, 0)}), "2.4 frame size with a high bit");
  expect_error(tag(2, {frame(2, "PIC", std::string("\0PN", 3))}), "PIC without its format");
  expect_error(tag(4, {frame(4, "TIT2", "\x01", 0x0001)}),
               "frame shorter than its length indicator");
  EXPECT_FALSE(parse_id3v2_header(to_bytes("ID4\3\0\0\0\0\0\0")).has_value());
}

TEST(id3v2_tag, rendering_versions_unsynchronisation_and_padding) {
  id3v2_tag t;
  t.major_version = 4;
  t.frames.push_back({"TIT2", 0, {3, 'a', 0xFF, 0xE1}});  // needs unsynchronisation
  t.frames.push_back({"TPE1", 0, {3, 0xFF, 'b'}});        // FF before an ordinary byte: plain
  t.frames.push_back({"XYZ", 0, {0}});                    // 2.2 leftover: left out
  auto r = render_id3v2_tag(t, 0, 0);
  EXPECT_FALSE(r.is_in_place);
  const auto& b = r.bytes;
  EXPECT_EQ(b.substr(0, 6), std::string("ID3\x04\x00\x80", 6));
  // First frame: size 4 + 5 unsynchronised bytes, flags 0x0003, data length 4.
  EXPECT_EQ(b.substr(10, 20), std::string("TIT2\0\0\0\x09\0\x03\0\0\0\x04\x03"
                                          "a\xFF\0\xE1",
                                          19) +
                                  "T");
  EXPECT_EQ(b.substr(29, 13), std::string("TPE1\0\0\0\x03\0\0\x03\xFF"
                                          "b",
                                          13));
  auto back = parse_id3v2_tag(std::span(reinterpret_cast<const uint8_t*>(b.data()), b.size()));
  ASSERT_EQ(back.frames.size(), 2u);
  EXPECT_EQ(back.frames[0].payload, t.frames[0].payload);
  EXPECT_EQ(back.frames[1].payload, t.frames[1].payload);

  // Padding: 10000 spare bytes with a 16384 wish stay in place; 20000 spare rewrite with
  // 2048 bytes of padding; no old tag gets min(wish, 2048).
  t.major_version = 3;
  const size_t bare = render_id3v2_tag(t, 0, 0).bytes.size();
  auto fits = render_id3v2_tag(t, bare + 10000, id3v2_padding_wish_bytes);
  EXPECT_TRUE(fits.is_in_place);
  EXPECT_EQ(fits.bytes.size(), bare + 10000);
  EXPECT_EQ(fits.bytes.find_first_not_of('\0', bare), std::string::npos);
  auto too_roomy = render_id3v2_tag(t, bare + 20000, id3v2_padding_wish_bytes);
  EXPECT_FALSE(too_roomy.is_in_place);
  EXPECT_EQ(too_roomy.bytes.size(), bare + 2048);
  EXPECT_EQ(render_id3v2_tag(t, 0, 100).bytes.size(), bare + 100);
  EXPECT_TRUE(render_id3v2_tag(t, bare, 0).is_in_place);
  EXPECT_FALSE(render_id3v2_tag(t, bare - 1, id3v2_padding_wish_bytes).is_in_place);

  // 2^28 bytes or more is "overflow"; a version other than 3 or 4 cannot be written.
  try {
    render_id3v2_tag(t, id3v2_max_tag_bytes + 5, 0xFFFFFFFFu);
    ADD_FAILURE() << "no overflow";
  } catch (const kel::exception_overflow& e) {
    EXPECT_STREQ(e.what(), "overflow");
  }
  id3v2_tag v2;
  v2.major_version = 2;
  EXPECT_THROW(render_id3v2_tag(v2, 0, 0), id3parser::writeError);
  try {
    render_id3v2_tag(v2, 0, 0);
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "ID3v2 write error");
  }
}

}  // namespace
}  // namespace lumo::id3
