// The fixtures of tests/fixtures/make_mpeg_fixtures.sh: exact lengths and alignment with
// the encoded source, the technical info, and seeking to any sample.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "input/mpeg/seek_table_cache.h"
#include "mpeg_test_support.h"

namespace lumo::mpeg {
namespace {

using test::decoded_audio;

// Layer III files with a Xing/Info frame and LAME's delay and padding.
const char* const lame_tagged[] = {
    "cbr128_joint_44k.mp3", "cbr320_stereo_48k.mp3", "abr96_joint_44k.mp3", "vbr0_joint_44k.mp3",
    "vbr2_mono_44k.mp3",    "vbr5_stereo_48k.mp3",   "vbr9_mono_32k.mp3",   "vbr4_mono_22k.mp3",
    "cbr64_joint_24k.mp3",  "cbr32_mono_8k.mp3",     "vbr6_stereo_11k.mp3", "cbr128_crc_44k.mp3",
};

decoded_audio decode_fixture(const std::string& name) {
  return test::decode_bytes(test::read_file(test::mpeg_fixture(name)), "tempmem://" + name);
}

track_info_mutable info_of(const std::string& name) {
  auto decoder = test::open_mp3(test::read_file(test::mpeg_fixture(name)), "tempmem://" + name);
  track_info_mutable info;
  decoder->get_info(0, info, abort_none());
  return info;
}

// The lag (decoded index minus source index) at which the first channels correlate best.
int best_lag(const decoded_audio& decoded, const decoded_audio& source, int max_lag) {
  int best = 0;
  double best_value = -1e300;
  const size_t n = std::min<size_t>({decoded.frames(), source.frames(), 4096});
  for (int lag = -max_lag; lag <= max_lag; ++lag) {
    double sum = 0;
    for (size_t i = 0; i < n; ++i) {
      const int64_t j = static_cast<int64_t>(i) + lag;
      if (j < 0 || j >= static_cast<int64_t>(decoded.frames())) continue;
      sum += double{decoded.samples[j * decoded.channels]} * source.samples[i * source.channels];
    }
    if (sum > best_value) best_value = sum, best = lag;
  }
  return best;
}

TEST(mpeg_fixtures, lame_tagged_files_decode_to_the_source_length_and_alignment) {
  for (const std::string name : lame_tagged) {
    SCOPED_TRACE(name);
    const decoded_audio source = test::original_of(name);
    const decoded_audio decoded = decode_fixture(name);
    ASSERT_EQ(decoded.frames(), source.frames());
    EXPECT_EQ(decoded.channels, source.channels);
    EXPECT_EQ(decoded.sample_rate, source.sample_rate);
    EXPECT_EQ(best_lag(decoded, source, 1200), 0);
  }
}

// Without encoder information only the decoder's own delay is trimmed: 529 for Layer III
// leaves lame's 576-sample encoder delay in place; ffmpeg's Layer II encoder adds none, so
// trimming 481 lines Layer II up exactly. This pins the delays libmpg123 really has.
TEST(mpeg_fixtures, decoder_delays_are_what_libmpg123_outputs) {
  struct decoder_case {
    const char* name;
    uint32_t samples_per_frame;
    uint32_t delay;
    int lag;
  };
  for (const decoder_case c : {decoder_case{"cbr128_notag_44k.mp3", 1152, 529, 576},
                               decoder_case{"layer2_stereo_44k.mp3", 1152, 481, 0},
                               decoder_case{"layer2_mono_24k.mp3", 1152, 481, 0}}) {
    SCOPED_TRACE(c.name);
    const auto bytes = test::read_file(test::mpeg_fixture(c.name));
    auto decoder = test::open_mp3(bytes, std::string("tempmem://") + c.name);
    const decoded_audio decoded = test::decode_all(*decoder);
    const decoded_audio source = test::original_of(c.name);
    EXPECT_EQ(best_lag(decoded, source, 1200), c.lag);
    const auto length = static_cast<mpeg_input&>(*decoder).length_samples();
    ASSERT_TRUE(length);
    EXPECT_EQ(decoded.frames(), *length);
    EXPECT_EQ((decoded.frames() + c.delay) % c.samples_per_frame, 0u);
  }
  EXPECT_EQ(decoder_delay_samples(1), 0u);
  // Layer I: every frame's 384 samples come out from the first frame on.
  EXPECT_EQ(decode_fixture("layer1_stereo_44k.mp3").frames(), 40u * 384);
}

TEST(mpeg_fixtures, technical_info) {
  auto field = [](const track_info& info, std::string_view name) {
    return std::string(info.info_find_value(name).value_or("(none)"));
  };
  const track_info_mutable v2 = info_of("vbr2_mono_44k.mp3");
  EXPECT_EQ(field(v2, "codec"), "MP3");
  EXPECT_EQ(field(v2, "encoding"), "lossy");
  EXPECT_EQ(field(v2, "codec_profile"), "VBR V2");
  EXPECT_EQ(field(v2, "tool"), "LAME3.100");
  EXPECT_EQ(field(v2, "enc_delay"), "576");
  EXPECT_EQ(field(v2, "mp3_accurate_length"), "yes");
  EXPECT_EQ(field(v2, "mp3_stereo_mode"), "mono");
  EXPECT_EQ(field(v2, "channels"), "1");
  EXPECT_NEAR(v2.get_length(), 44101 / 44100.0, 1e-9);

  const track_info_mutable cbr = info_of("cbr128_joint_44k.mp3");
  EXPECT_EQ(field(cbr, "codec_profile"), "CBR");
  EXPECT_EQ(field(cbr, "mp3_stereo_mode"), "joint stereo");
  EXPECT_EQ(field(cbr, "bitrate"), "128");
  EXPECT_EQ(field(info_of("abr96_joint_44k.mp3"), "codec_profile"), "ABR");
  EXPECT_EQ(field(info_of("vbr0_joint_44k.mp3"), "codec_profile"), "VBR V0");
  EXPECT_EQ(field(info_of("cbr320_stereo_48k.mp3"), "mp3_stereo_mode"), "stereo");

  const track_info_mutable notag = info_of("cbr128_notag_44k.mp3");
  EXPECT_EQ(field(notag, "codec_profile"), "CBR");
  EXPECT_EQ(field(notag, "mp3_accurate_length"), "(none)");
  EXPECT_EQ(field(notag, "enc_delay"), "(none)");
  EXPECT_EQ(field(notag, "bitrate"), "128");

  EXPECT_EQ(field(info_of("cbr32_mono_8k.mp3"), "samplerate"), "8000");
  EXPECT_EQ(field(info_of("vbr4_mono_22k.mp3"), "samplerate"), "22050");
  EXPECT_EQ(field(info_of("layer2_stereo_44k.mp3"), "codec"), "MP2");
  EXPECT_EQ(field(info_of("layer2_stereo_44k.mp3"), "bitrate"), "192");
  EXPECT_EQ(field(info_of("layer1_stereo_44k.mp3"), "codec"), "MP1");
}

void expect_seek_lands(input_decoder& decoder, const decoded_audio& full, uint64_t target) {
  SCOPED_TRACE(target);
  decoder.seek(static_cast<double>(target) / full.sample_rate, abort_none());
  const decoded_audio got = test::decode_all(decoder);
  if (target >= full.frames()) {
    EXPECT_EQ(got.frames(), 0u);
    return;
  }
  ASSERT_EQ(got.frames(), full.frames() - target);
  for (size_t i = 0; i < got.samples.size(); ++i)
    ASSERT_EQ(got.samples[i], full.samples[target * full.channels + i]) << "float " << i;
}

TEST(mpeg_fixtures, seeking_lands_on_the_exact_sample) {
  for (const std::string name :
       {"vbr2_mono_44k.mp3", "cbr32_mono_8k.mp3", "vbr4_mono_22k.mp3", "cbr128_notag_44k.mp3",
        "layer2_stereo_44k.mp3", "layer1_stereo_44k.mp3"}) {
    SCOPED_TRACE(name);
    const auto bytes = test::read_file(test::mpeg_fixture(name));
    const decoded_audio full = decode_fixture(name);
    const uint64_t n = full.frames();
    auto decoder = test::open_mp3(bytes, "tempmem://seek-" + name);
    for (uint64_t target :
         {uint64_t{0}, uint64_t{1}, uint64_t{575}, uint64_t{576}, uint64_t{1151}, uint64_t{1152},
          uint64_t{11519}, uint64_t{11521}, n / 2, n / 2 + 1, n - 700, n - 1, n, n + 5000}) {
      if (target > n && target != n + 5000) continue;
      expect_seek_lands(*decoder, full, target);
    }
    // A fresh decoder seeking far at once.
    auto fresh = test::open_mp3(bytes, "tempmem://fresh-" + name);
    expect_seek_lands(*fresh, full, n - 1000);
  }
}

TEST(mpeg_fixtures, a_second_decoder_finds_the_cached_seek_table) {
  const auto bytes = test::read_file(test::mpeg_fixture("vbr2_mono_44k.mp3"));
  const auto before = get_seek_table_cache_counters();
  auto first = test::open_mp3(bytes, "tempmem://cache-a.mp3");
  first->seek(0.9, abort_none());
  const auto after_first = get_seek_table_cache_counters();
  EXPECT_EQ(after_first.misses, before.misses + 1);
  EXPECT_EQ(after_first.hits, before.hits);
  auto second = test::open_mp3(bytes, "tempmem://cache-a.mp3");
  EXPECT_EQ(get_seek_table_cache_counters().hits, before.hits + 1);
  // The table the first decoder filled serves the second: same samples.
  second->seek(0.9, abort_none());
  first->seek(0.9, abort_none());
  EXPECT_EQ(test::decode_all(*second).samples, test::decode_all(*first).samples);

  // Ten other files push the least recently used table out.
  for (int i = 0; i < 10; ++i)
    test::open_mp3(bytes, "tempmem://cache-other" + std::to_string(i) + ".mp3");
  const auto misses = get_seek_table_cache_counters().misses;
  test::open_mp3(bytes, "tempmem://cache-a.mp3");
  EXPECT_EQ(get_seek_table_cache_counters().misses, misses + 1);
}

}  // namespace
}  // namespace lumo::mpeg
