// Every fixture made by tests/fixtures/make_pcm_fixtures.sh decodes to exactly what sox
// (or ffmpeg) decoded, and seeking to any sample lands on it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "input/pcm/aiff_parser.h"
#include "input/pcm/au_parser.h"
#include "input/pcm/sample_decoder.h"
#include "input/pcm/wav_parser.h"
#include "test_support.h"

namespace lumo::pcm {
namespace {

const char* const decodable_fixtures[] = {
    "wav_u8_mono.wav",
    "wav_s16_stereo.wav",
    "wav_s24_stereo.wav",
    "wav_s32_stereo.wav",
    "wav_f32_stereo.wav",
    "wav_f64_mono.wav",
    "wav_s16_3ch.wav",
    "wav_s16_4ch.wav",
    "wav_s16_5ch.wav",
    "wav_s16_6ch.wav",
    "wav_s16_7ch.wav",
    "wav_s16_8ch.wav",
    "wav_s24_6ch.wav",
    "wav_ima_adpcm_mono.wav",
    "wav_ima_adpcm_stereo.wav",
    "wav_ima_adpcm_ffmpeg.wav",
    "rf64_s16_stereo.wav",
    "w64_s24_stereo.w64",
    "w64_f32_mono.w64",
    "aiff_s8_mono.aiff",
    "aiff_s16_stereo.aiff",
    "aiff_s24_stereo.aiff",
    "aiff_s32_mono.aiff",
    "aiff_s16_8ch.aiff",
    "aifc_none_s16_stereo.aifc",
    "aifc_fl32_stereo.aifc",
    "aifc_fl64_mono.aifc",
    "aifc_sowt_stereo.aifc",
    "aifc_alaw_mono.aifc",
    "aifc_ulaw_mono.aifc",
    "svx_mono.8svx",
    "au_ulaw_mono.au",
    "au_alaw_mono.au",
    "au_s8_mono.au",
    "au_s16_stereo.au",
    "au_s24_stereo.au",
    "au_s32_mono.au",
    "au_f32_stereo.au",
    "au_f64_mono.au",
};

pcm_file_info parse(byte_source& source, const std::string& name) {
  if (name.ends_with(".au")) return parse_au(source, null_event_logger(), abort_none());
  if (name.ends_with(".aiff") || name.ends_with(".aifc") || name.ends_with(".8svx"))
    return parse_aiff(source, null_event_logger(), abort_none());
  return parse_wav(source, null_event_logger(), abort_none());
}

std::vector<float> reference(const std::string& name) {
  const auto raw =
      test::read_file(test::fixture("ref/" + name.substr(0, name.rfind('.')) + ".f32"));
  std::vector<float> out(raw.size() / 4);
  std::memcpy(out.data(), raw.data(), out.size() * 4);
  return out;
}

struct decoded {
  std::vector<float> samples;
  uint32_t channels = 0;
};

decoded decode_from(sample_decoder& decoder, size_t max_blocks = SIZE_MAX) {
  decoded out;
  pcm_chunk chunk;
  for (size_t i = 0; i < max_blocks && decoder.run(chunk, abort_none()); ++i) {
    EXPECT_TRUE(chunk.is_valid());
    out.channels = chunk.channels();
    out.samples.insert(out.samples.end(), chunk.data(), chunk.data() + chunk.data_size());
  }
  return out;
}

TEST(pcm_fixtures, decode_equals_reference_exactly) {
  for (const std::string name : decodable_fixtures) {
    SCOPED_TRACE(name);
    const auto file = test::read_file(test::fixture(name));
    ASSERT_FALSE(file.empty());
    memory_byte_source source(file);
    const pcm_file_info info = parse(source, name);
    ASSERT_TRUE(info.is_decodable);
    sample_decoder decoder(source, info.stream, abort_none());
    const decoded d = decode_from(decoder);
    const std::vector<float> ref = reference(name);
    ASSERT_EQ(d.samples.size(), ref.size());
    EXPECT_EQ(d.samples.size(), decoder.length_samples() * info.stream.channels);
    for (size_t i = 0; i < ref.size(); ++i)
      ASSERT_EQ(d.samples[i], ref[i])
          << "sample " << i / d.channels << " channel " << i % d.channels;
  }
}

TEST(pcm_fixtures, seek_lands_on_the_exact_sample) {
  for (const std::string name : decodable_fixtures) {
    SCOPED_TRACE(name);
    const auto file = test::read_file(test::fixture(name));
    memory_byte_source source(file);
    const pcm_file_info info = parse(source, name);
    sample_decoder decoder(source, info.stream, abort_none());
    const std::vector<float> ref = reference(name);
    const uint32_t channels = info.stream.channels;
    const uint64_t length = decoder.length_samples();
    std::vector<uint64_t> targets = {0, 1, 7, 8, 9, 1023, 1024, 1025, length - 1, length};
    for (uint64_t s = 3; s < length; s += 97) targets.push_back(s);
    for (uint64_t target : targets) {
      SCOPED_TRACE(target);
      decoder.seek(static_cast<double>(target) / info.stream.sample_rate, abort_none());
      const decoded d = decode_from(decoder, 1);
      if (target == length) {
        EXPECT_TRUE(d.samples.empty());
        continue;
      }
      ASSERT_FALSE(d.samples.empty());
      const size_t n = std::min(d.samples.size(), ref.size() - target * channels);
      for (size_t i = 0; i < n; ++i) ASSERT_EQ(d.samples[i], ref[target * channels + i]);
    }
  }
}

TEST(pcm_fixtures, non_seekable_source_decodes_and_only_seeks_forward) {
  for (const std::string name : {"wav_s16_stereo.wav", "aiff_s24_stereo.aiff", "au_s16_stereo.au",
                                 "w64_s24_stereo.w64", "wav_ima_adpcm_stereo.wav"}) {
    SCOPED_TRACE(name);
    const auto file = test::read_file(test::fixture(name));
    memory_byte_source source(file, false);
    const pcm_file_info info = parse(source, name);
    sample_decoder decoder(source, info.stream, abort_none());
    const std::vector<float> ref = reference(name);
    decoder.seek(500.0 / info.stream.sample_rate, abort_none());
    const decoded d = decode_from(decoder);
    ASSERT_EQ(d.samples.size(), ref.size() - 500 * info.stream.channels);
    EXPECT_TRUE(
        std::equal(d.samples.begin(), d.samples.end(), ref.begin() + 500 * info.stream.channels));
    EXPECT_THROW(decoder.seek(0, abort_none()), sonatrix_io::exception_io_object_not_seekable);
  }
}

}  // namespace
}  // namespace lumo::pcm
