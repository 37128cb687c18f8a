// The frame header table and the Xing/Info/LAME and VBRI headers, on crafted bytes.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "input/mpeg/mpeg_header.h"
#include "input/mpeg/vbr_header.h"
#include "test_support.h"

namespace lumo::mpeg {
namespace {

// version: 0 MPEG-2.5, 2 MPEG-2, 3 MPEG-1; layer 1..3; mode 0..3.
std::array<uint8_t, 4> header_bytes(uint32_t version, uint32_t layer, uint32_t bitrate_index,
                                    uint32_t rate_index, bool padding = false, uint32_t mode = 0,
                                    bool is_protected = false) {
  return {0xFF,
          static_cast<uint8_t>(0xE0 | version << 3 | (4 - layer) << 1 | (is_protected ? 0 : 1)),
          static_cast<uint8_t>(bitrate_index << 4 | rate_index << 2 | (padding ? 2 : 0)),
          static_cast<uint8_t>(mode << 6)};
}

TEST(mpeg_header, bit_rates_sample_rates_and_frame_lengths) {
  struct row {
    uint32_t version, layer;
    std::array<uint32_t, 14> kbps;
  };
  const row rows[] = {
      {3, 1, {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}},
      {2, 1, {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256}},
      {0, 1, {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256}},
      {3, 2, {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384}},
      {3, 3, {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
      {2, 2, {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
      {2, 3, {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
      {0, 3, {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
  };
  for (const row& r : rows) {
    for (uint32_t i = 1; i <= 14; ++i) {
      SCOPED_TRACE(testing::Message() << r.version << " " << r.layer << " " << i);
      const auto h = parse_frame_header(header_bytes(r.version, r.layer, i, 0).data());
      ASSERT_TRUE(h);
      EXPECT_EQ(h->bitrate_kbps, r.kbps[i - 1]);
    }
  }
  const auto rate = [](uint32_t version, uint32_t index) {
    return parse_frame_header(header_bytes(version, 3, 9, index).data())->sample_rate;
  };
  EXPECT_EQ(rate(3, 0), 44100u);
  EXPECT_EQ(rate(3, 1), 48000u);
  EXPECT_EQ(rate(3, 2), 32000u);
  EXPECT_EQ(rate(2, 0), 22050u);
  EXPECT_EQ(rate(2, 2), 16000u);
  EXPECT_EQ(rate(0, 0), 11025u);
  EXPECT_EQ(rate(0, 1), 12000u);
  EXPECT_EQ(rate(0, 2), 8000u);

  // Frame lengths and samples per frame by layer and version.
  const auto l3 = parse_frame_header(header_bytes(3, 3, 9, 0).data());
  EXPECT_EQ(l3->frame_bytes, 417u);
  EXPECT_EQ(l3->samples_per_frame, 1152u);
  EXPECT_EQ(parse_frame_header(header_bytes(3, 3, 9, 0, true).data())->frame_bytes, 418u);
  const auto l3v2 = parse_frame_header(header_bytes(2, 3, 8, 0, true).data());  // 64k 22.05k
  EXPECT_EQ(l3v2->frame_bytes, 72000u * 64 / 22050 + 1);
  EXPECT_EQ(l3v2->samples_per_frame, 576u);
  const auto l2v2 = parse_frame_header(header_bytes(2, 2, 8, 1).data());  // 64k 24k
  EXPECT_EQ(l2v2->frame_bytes, 144000u * 64 / 24000);
  EXPECT_EQ(l2v2->samples_per_frame, 1152u);
  const auto l1 = parse_frame_header(header_bytes(3, 1, 6, 0, true).data());  // 192k 44.1k
  EXPECT_EQ(l1->frame_bytes, (48000u * 192 / 44100 + 4) / 4 * 4);
  EXPECT_EQ(l1->samples_per_frame, 384u);
  EXPECT_EQ(parse_frame_header(header_bytes(3, 3, 9, 0, false, 3).data())->channels, 1u);
  EXPECT_EQ(parse_frame_header(header_bytes(3, 3, 9, 0, false, 2).data())->channels, 2u);

  // Reserved and unsupported values are not headers.
  EXPECT_FALSE(parse_frame_header(header_bytes(1, 3, 9, 0).data()));   // version 1
  EXPECT_FALSE(parse_frame_header(header_bytes(3, 3, 0, 0).data()));   // free format
  EXPECT_FALSE(parse_frame_header(header_bytes(3, 3, 15, 0).data()));  // bad bit rate
  EXPECT_FALSE(parse_frame_header(header_bytes(3, 3, 9, 3).data()));   // reserved rate
  auto no_layer = header_bytes(3, 3, 9, 0);
  no_layer[1] &= ~0x06;
  EXPECT_FALSE(parse_frame_header(no_layer.data()));
  const uint8_t no_sync[4] = {0xFF, 0xC0 | 0x1B, 0x90, 0x00};
  EXPECT_FALSE(parse_frame_header(no_sync));
}

// A 418-byte MPEG-1 stereo Layer III frame with a Xing/Info tag and a LAME extension.
std::vector<uint8_t> xing_frame(std::string_view magic, uint32_t flags, uint32_t frames,
                                uint32_t quality, std::string_view tool, uint8_t revision_method,
                                uint32_t delay, uint32_t padding) {
  test::bytes f;
  const auto h = header_bytes(3, 3, 9, 0, true);
  f.raw({h.begin(), h.end()}).zeros(32).str(magic).u32be(flags);
  if (flags & 1) f.u32be(frames);
  if (flags & 2) f.u32be(12345);
  if (flags & 4) f.zeros(100);
  if (flags & 8) f.u32be(quality);
  f.str(tool).zeros(9 - tool.size()).u8(revision_method).u8(19).zeros(10);
  f.u8(static_cast<uint8_t>(delay >> 4)).u8(static_cast<uint8_t>((delay & 15) << 4 | padding >> 8));
  f.u8(static_cast<uint8_t>(padding & 0xFF));
  f.zeros(418 - f.size());
  return f.get();
}

TEST(mpeg_header, xing_info_and_lame_extension) {
  const auto header = *parse_frame_header(header_bytes(3, 3, 9, 0, true).data());
  auto parse = [&](const std::vector<uint8_t>& frame) { return parse_xing_header(header, frame); };

  auto v = parse(xing_frame("Xing", 0xF, 500, 80, "LAME3.99r", 0x04, 576, 1260));
  ASSERT_TRUE(v);
  EXPECT_EQ(v->frame_count, 500u);
  EXPECT_EQ(v->codec_profile, "VBR V2");
  EXPECT_EQ(v->tool, "LAME3.99r");
  EXPECT_EQ(v->encoder_delay_samples, 576u);
  EXPECT_EQ(v->encoder_padding_samples, 1260u);
  EXPECT_EQ(parse(xing_frame("Xing", 0xF, 500, 100, "LAME", 0x04, 0, 0))->codec_profile, "VBR V0");
  EXPECT_EQ(parse(xing_frame("Xing", 0xF, 500, 1, "LAME", 0x04, 0, 0))->codec_profile, "VBR V9");
  EXPECT_EQ(parse(xing_frame("Xing", 0xF, 500, 0, "LAME", 0x04, 0, 0))->codec_profile, "VBR");
  EXPECT_EQ(parse(xing_frame("Xing", 0xF, 500, 80, "LAME", 0x02, 0, 0))->codec_profile, "ABR");
  EXPECT_EQ(parse(xing_frame("Xing", 0xF, 500, 80, "LAME", 0x09, 0, 0))->codec_profile, "ABR");
  EXPECT_EQ(parse(xing_frame("Info", 0xF, 500, 80, "LAME", 0x01, 0, 0))->codec_profile, "CBR");
  // An unknown extension revision: the plain kinds, no delay or tool.
  const auto later = parse(xing_frame("Xing", 0xF, 500, 80, "LAME", 0x24, 576, 100));
  EXPECT_EQ(later->codec_profile, "VBR");
  EXPECT_FALSE(later->encoder_delay_samples);
  EXPECT_EQ(later->tool, "");
  // Tool names: trailing padding characters go; anything unprintable drops the name.
  EXPECT_EQ(parse(xing_frame("Xing", 0xF, 500, 80, "Lavf._ .", 0x04, 0, 0))->tool, "Lavf");
  EXPECT_EQ(parse(xing_frame("Xing", 0xF, 500, 80, "AB\x01", 0x04, 0, 0))->tool, "");
  // The frame count must be there and above one.
  EXPECT_FALSE(parse(xing_frame("Xing", 0xE, 0, 80, "LAME", 0x04, 0, 0)));
  EXPECT_FALSE(parse(xing_frame("Xing", 0xF, 1, 80, "LAME", 0x04, 0, 0)));
  EXPECT_FALSE(parse(xing_frame("Xinh", 0xF, 500, 80, "LAME", 0x04, 0, 0)));
  // Cut short: no header rather than a read past the frame.
  const auto whole = xing_frame("Xing", 0xF, 500, 80, "LAME", 0x04, 0, 0);
  EXPECT_FALSE(parse({whole.begin(), whole.begin() + 50}));
}

TEST(mpeg_header, vbri) {
  auto frame = [](uint16_t version, uint32_t frames, uint16_t entries, uint16_t entry_bytes) {
    test::bytes f;
    const auto h = header_bytes(3, 3, 9, 0, true);
    f.raw({h.begin(), h.end()}).zeros(32).str("VBRI").u16be(version).u16be(1105).u16be(75);
    f.u32be(100000).u32be(frames).u16be(entries).u16be(1).u16be(entry_bytes).u16be(10);
    f.zeros(entries * entry_bytes);
    return f.get();
  };
  const auto good = parse_vbri_header(frame(1, 900, 90, 2));
  ASSERT_TRUE(good);
  EXPECT_EQ(good->frame_count, 900u);
  EXPECT_EQ(good->codec_profile, "VBR");
  EXPECT_FALSE(parse_vbri_header(frame(2, 900, 90, 2)));  // unknown version
  EXPECT_FALSE(parse_vbri_header(frame(1, 0, 90, 2)));    // no frames
  EXPECT_FALSE(parse_vbri_header(frame(1, 900, 90, 5)));  // impossible entry size
  auto cut = frame(1, 900, 90, 2);
  cut.resize(cut.size() - 20);  // table runs past the frame
  EXPECT_FALSE(parse_vbri_header(cut));
}

}  // namespace
}  // namespace lumo::mpeg
