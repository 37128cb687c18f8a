// The render output: the same contract as a device (latency, pause, fades), exact to
// the sample, and its WAV files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "config/advanced_entries.h"
#include "playback/output_errors.h"
#include "playback/render_output.h"

namespace lumo {
namespace {

class capture_sink final : public render_sink {
 public:
  void begin(const output_spec& spec) override {
    ++begins;
    spec_ = spec;
  }
  void write(const uint8_t* bytes, size_t count) override {
    size_t n = count / 4;
    size_t at = samples.size();
    samples.resize(at + n);
    std::memcpy(samples.data() + at, bytes, n * 4);
  }
  void end() override { ++ends; }
  std::vector<float> samples;
  int begins = 0, ends = 0;
  output_spec spec_;
};

// 1000 Hz mono float, 0.1 s buffer: one frame is one millisecond.
output_spec ms_spec() {
  output_spec s;
  s.sample_rate = 1000;
  s.channels = 1;
  s.channel_mask = 0x4;
  s.bits_per_sample = 32;
  s.is_float = true;
  s.buffer_seconds = 0.1;
  return s;
}

struct render_fixture {
  capture_sink* sink;
  render_output out;
  render_fixture() : render_fixture(std::make_unique<capture_sink>()) {}
  explicit render_fixture(std::unique_ptr<capture_sink> s) : sink(s.get()), out(std::move(s)) {
    out.set_format(ms_spec());
  }
  void write_ones(uint32_t frames) {
    std::vector<float> ones(frames, 1.0f);
    ASSERT_EQ(out.write(ones.data(), frames), frames);
  }
  void drain() {
    while (out.latency_seconds() > 0) out.update();
  }
};

struct fades {
  fades(int64_t pause_ms, int64_t seek_ms, int64_t stop_ms) {
    advanced::fade_on_pause_ms.set_value(pause_ms);
    advanced::fade_on_seek_ms.set_value(seek_ms);
    advanced::fade_out_ms.set_value(stop_ms);
  }
  ~fades() {
    advanced::fade_on_pause_ms.reset();
    advanced::fade_on_seek_ms.reset();
    advanced::fade_out_ms.reset();
  }
};

TEST(RenderOutput, BuffersLikeADeviceAndPlaysEverySampleOnce) {
  render_fixture f;
  std::vector<float> ramp(1000);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<float>(i) / 1000.0f;
  for (size_t at = 0; at < ramp.size(); at += 37)
    f.out.write(ramp.data() + at, static_cast<uint32_t>(std::min<size_t>(37, ramp.size() - at)));
  EXPECT_NEAR(f.out.latency_seconds(), 0.1, 1e-9);
  EXPECT_EQ(f.sink->samples.size(), 900u);
  f.drain();
  EXPECT_EQ(f.sink->samples, ramp);
  EXPECT_EQ(f.out.frames_played(), 1000u);
}

TEST(RenderOutput, VolumeChangeRampsOverFiftyMilliseconds) {
  render_fixture f;
  f.write_ones(200);                          // 100 played, 100 buffered
  f.out.set_volume(-20.0 * std::log10(2.0));  // half
  f.write_ones(200);
  f.drain();
  const auto& s = f.sink->samples;
  ASSERT_EQ(s.size(), 400u);
  EXPECT_FLOAT_EQ(s[99], 1.0f);
  EXPECT_FLOAT_EQ(s[100], 1.0f);
  EXPECT_NEAR(s[125], 0.75f, 1e-6);
  EXPECT_NEAR(s[150], 0.5f, 1e-6);
  EXPECT_NEAR(s[399], 0.5f, 1e-6);
}

TEST(RenderOutput, PauseFadesToSilenceHoldsTheRestAndResumeFadesIn) {
  fades lengths(20, 100, 100);
  render_fixture f;
  f.write_ones(150);  // 50 played
  f.out.pause(true);
  for (int i = 0; i < 10; ++i) f.out.update();
  EXPECT_TRUE(f.out.is_paused());
  const auto& s = f.sink->samples;
  ASSERT_EQ(s.size(), 70u);  // the 20 ms fade played, then nothing
  EXPECT_NEAR(s[60], 0.5f, 1e-6);
  EXPECT_FLOAT_EQ(s[69], 0.05f);
  EXPECT_EQ(f.out.free_frames(), 20u);  // a paused device makes no room
  EXPECT_NEAR(f.out.latency_seconds(), 0.08, 1e-9);
  f.out.pause(false);
  f.drain();
  ASSERT_EQ(s.size(), 150u);  // nothing lost
  EXPECT_FLOAT_EQ(s[70], 0.0f);
  EXPECT_NEAR(s[80], 0.5f, 1e-6);
  EXPECT_FLOAT_EQ(s[149], 1.0f);
}

TEST(RenderOutput, ZeroPauseFadeIsImmediate) {
  fades lengths(0, 100, 100);
  render_fixture f;
  f.write_ones(150);
  f.out.pause(true);
  f.out.update();
  EXPECT_TRUE(f.out.is_paused());
  EXPECT_EQ(f.sink->samples.size(), 50u);
  f.out.pause(false);
  f.drain();
  EXPECT_EQ(f.sink->samples.size(), 150u);
  for (float v : f.sink->samples) EXPECT_EQ(v, 1.0f);
}

TEST(RenderOutput, FlushFadesTheOldAudioOutAndTheNewIn) {
  fades lengths(100, 10, 100);
  render_fixture f;
  f.write_ones(150);
  f.out.flush();
  const auto& s = f.sink->samples;
  ASSERT_EQ(s.size(), 60u);  // 50 played, 10 faded, 90 dropped
  EXPECT_FLOAT_EQ(s[50], 1.0f);
  EXPECT_NEAR(s[55], 0.5f, 1e-6);
  EXPECT_EQ(f.out.latency_seconds(), 0.0);
  f.write_ones(30);
  f.drain();
  ASSERT_EQ(s.size(), 90u);
  EXPECT_FLOAT_EQ(s[60], 0.0f);
  EXPECT_NEAR(s[65], 0.5f, 1e-6);
  EXPECT_FLOAT_EQ(s[89], 1.0f);
}

TEST(RenderOutput, CloseFadesOutAndEndsTheSink) {
  fades lengths(100, 100, 40);
  render_fixture f;
  f.write_ones(150);
  f.out.close();
  EXPECT_EQ(f.sink->ends, 1);
  EXPECT_EQ(f.sink->samples.size(), 90u);
  EXPECT_NEAR(f.sink->samples[70], 0.5f, 1e-6);
  EXPECT_FALSE(f.out.has_format());
  EXPECT_EQ(f.out.write(f.sink->samples.data(), 1), 0u);
}

TEST(RenderOutput, SameFormatContinuesOtherFormatPlaysOutFirst) {
  render_fixture f;
  f.write_ones(50);
  f.out.set_format(ms_spec());  // same: one sink session
  EXPECT_EQ(f.sink->begins, 1);
  EXPECT_EQ(f.sink->samples.size(), 50u);
  output_spec stereo = ms_spec();
  stereo.channels = 2;
  stereo.channel_mask = 0x3;
  f.write_ones(10);
  f.out.set_format(stereo);
  EXPECT_EQ(f.sink->begins, 2);
  EXPECT_EQ(f.sink->ends, 1);
  EXPECT_EQ(f.sink->samples.size(), 60u);
  EXPECT_THROW(f.out.set_format(output_spec{}), exception_audio_invalid_spec);
}

std::vector<uint8_t> read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

uint32_t u32_at(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

TEST(RenderOutput, WavFilesAreCompleteAndOneFilePerFormat) {
  std::string dir = ::testing::TempDir();
  std::string path = dir + "lumo_render_test.wav";
  std::string path2 = dir + "lumo_render_test-2.wav";
  std::remove(path.c_str());
  std::remove(path2.c_str());
  {
    render_output out(make_wav_render_sink("file://" + path));
    output_spec s16;
    s16.sample_rate = 8000;
    s16.channels = 2;
    s16.channel_mask = 0x3;
    s16.bits_per_sample = 16;
    out.set_format(s16);
    std::vector<float> block(2 * 1000, 0.5f);
    out.write(block.data(), 1000);
    // Not there until complete: only the temporary exists.
    EXPECT_TRUE(read_all(path).empty());
    output_spec s24 = s16;
    s24.channels = 6;
    s24.channel_mask = 0x3F;
    s24.bits_per_sample = 24;
    out.set_format(s24);
    std::vector<float> six(6 * 10, -0.25f);
    out.write(six.data(), 10);
    out.close();
  }
  std::vector<uint8_t> a = read_all(path);
  ASSERT_EQ(a.size(), 44u + 4000u);
  EXPECT_EQ(std::string(a.begin(), a.begin() + 4), "RIFF");
  EXPECT_EQ(u32_at(a, 4), a.size() - 8);
  EXPECT_EQ(u32_at(a, 16), 16u);
  EXPECT_EQ(a[20], 1);  // PCM
  EXPECT_EQ(u32_at(a, 24), 8000u);
  EXPECT_EQ(u32_at(a, 40), 4000u);  // data size
  EXPECT_EQ(a[44], 0x00);           // 0.5 = 16384
  EXPECT_EQ(a[45], 0x40);
  std::vector<uint8_t> b = read_all(path2);
  ASSERT_EQ(b.size(), 68u + 180u);
  EXPECT_EQ(u32_at(b, 16), 40u);  // extensible
  EXPECT_EQ(b[20], 0xFE);
  EXPECT_EQ(u32_at(b, 40), 0x3Fu);  // channel mask
  EXPECT_EQ(u32_at(b, 64), 180u);
  EXPECT_EQ(b[70], 0xE0);  // -0.25 in 24 bits: 0xE00000
  std::remove(path.c_str());
  std::remove(path2.c_str());
}

}  // namespace
}  // namespace lumo
