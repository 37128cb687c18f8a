// The render output: the same contract as a device (latency, pause, fades), exact to
// the sample, whether audio comes as copied samples or as whole blocks it keeps, and its
// WAV files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
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

// Stereo at 1000 Hz with a 0.1 s buffer, so odd block sizes cross every boundary.
output_spec ms_stereo_spec() {
  output_spec s = ms_spec();
  s.channels = 2;
  s.channel_mask = 0x3;
  return s;
}

// A signal where every sample differs: a moved, lost or doubled sample shows.
float signal_at(size_t i) {
  return static_cast<float>(i % 9973) / 9973.0f - 0.5f;
}

void fill_block(pcm_chunk& block, size_t first_sample, uint32_t frames, uint32_t channels) {
  float* p = block.reserve(size_t{frames} * channels);
  for (size_t i = 0; i < size_t{frames} * channels; ++i) p[i] = signal_at(first_sample + i);
  block.set_format(1000, channels, channels == 1 ? 0x4 : 0x3);
  block.set_sample_count(frames);
}

TEST(RenderOutputBlocks, MixedCopiesAndKeptBlocksPlayTheInputExactly) {
  render_fixture f;
  f.out.set_format(ms_stereo_spec());
  const uint32_t sizes[] = {37, 1, 64, 100, 250, 13, 99, 2, 71};
  pcm_chunk block;
  std::vector<float> expected;
  size_t at = 0;
  // The next frames of the signal into b, and into what the sink must receive.
  auto next = [&](pcm_chunk& b, uint32_t frames) {
    fill_block(b, at, frames, 2);
    expected.insert(expected.end(), b.data(), b.data() + b.data_size());
    at += b.data_size();
  };
  int kept = 0, fitting = 0;
  for (int i = 0; i < 60; ++i) {
    uint32_t frames = sizes[i % 9];
    next(block, frames);
    if (i % 3 == 0) {
      ASSERT_EQ(f.out.write(block.data(), frames), frames);
    } else {
      ASSERT_EQ(f.out.write_block(block, 0), frames);
      // A kept block leaves the chunk empty with storage to decode into.
      if (block.sample_count() == 0) ++kept;
      if (frames <= 100) ++fitting;
    }
    if (i % 4 == 0) f.out.update();
    EXPECT_LE(f.out.latency_seconds(), 0.1 + 1e-9);
  }
  // Blocks up to the buffer length are kept; those longer than the buffer are copied.
  EXPECT_EQ(kept, fitting);
  EXPECT_LT(fitting, 40);

  // Tiny blocks, each in storage of its own size, far more than the buffer has slots for.
  for (int i = 0; i < 300; ++i) {
    pcm_chunk tiny;
    uint32_t frames = 1 + i % 3;
    next(tiny, frames);
    if (i % 5 == 4) {
      ASSERT_EQ(f.out.write(tiny.data(), frames), frames);
    } else {
      ASSERT_EQ(f.out.write_block(tiny, 0), frames);
    }
    if (i % 50 == 0) f.out.update();
  }
  f.drain();
  EXPECT_EQ(f.sink->samples, expected);
}

// One scripted session of writes, pauses, volume changes, flushes and format changes,
// fed as samples or as blocks; returns what the sink heard and what the caller saw.
struct session_result {
  std::vector<float> heard;
  std::vector<uint32_t> taken;
  std::vector<double> latency;
};

session_result run_session(bool as_blocks) {
  fades lengths(20, 10, 30);
  render_fixture f;
  f.out.set_format(ms_stereo_spec());
  session_result r;
  pcm_chunk block;
  bool pending = false;
  uint32_t done = 0;
  size_t at = 0;
  const uint32_t sizes[] = {7, 33, 64, 41, 1, 90, 23, 100, 57};
  for (int step = 0; step < 400; ++step) {
    switch (step % 37) {
      case 3: f.out.set_volume(-6.0); break;
      case 8: f.out.pause(true); break;
      case 9:
      case 10: f.out.update(); break;
      case 14: f.out.pause(false); break;
      case 19: f.out.flush(); break;
      case 24: f.out.set_volume(0.0); break;
      case 27: f.out.pause(true); break;  // resumed by a flush while paused, then a play
      case 29: f.out.flush(); break;
      case 31: f.out.pause(false); break;
      case 33: f.out.set_format(step % 2 ? ms_stereo_spec() : ms_spec()); break;
      case 34: f.out.set_format(ms_stereo_spec()); break;
      case 36:
        if (step > 300) f.out.close();
        break;
      default: break;
    }
    if (!f.out.has_format()) f.out.set_format(ms_stereo_spec());
    uint32_t ch = f.out.format().channels;
    if (!pending || block.channels() != ch) {
      // The last block was taken (or its format is gone): decode the next.
      fill_block(block, at, sizes[step % 9], ch);
      at += block.data_size();
      pending = true;
      done = 0;
    }
    uint32_t frames = block.sample_count();  // a kept block is empty after the call
    uint32_t took = as_blocks ? f.out.write_block(block, done)
                              : f.out.write(block.data() + size_t{done} * ch, frames - done);
    done += took;
    pending = done < frames;
    r.taken.push_back(took);
    r.latency.push_back(f.out.latency_seconds());
  }
  f.out.close();
  r.heard = f.sink->samples;
  return r;
}

TEST(RenderOutputBlocks, FadesRampsAndLatencyMatchTheCopyPathSampleForSample) {
  session_result copied = run_session(false);
  session_result kept = run_session(true);
  EXPECT_EQ(kept.taken, copied.taken);
  EXPECT_EQ(kept.latency, copied.latency);
  ASSERT_EQ(kept.heard.size(), copied.heard.size());
  EXPECT_GT(copied.heard.size(), 2000u);
  EXPECT_EQ(kept.heard, copied.heard);
}

TEST(RenderOutputBlocks, ABlockThatDoesNotFitIsCopiedInPartAndNothingIsLost) {
  fades lengths(20, 100, 100);
  for (bool as_blocks : {false, true}) {
    SCOPED_TRACE(as_blocks ? "blocks" : "copies");
    render_fixture f;
    f.write_ones(150);  // 50 played, 100 buffered
    f.out.pause(true);
    for (int i = 0; i < 10; ++i) f.out.update();
    ASSERT_TRUE(f.out.is_paused());
    ASSERT_EQ(f.out.free_frames(), 20u);
    pcm_chunk block;
    fill_block(block, 0, 50, 1);
    std::vector<float> values(block.data(), block.data() + 50);
    auto feed = [&](uint32_t from) {
      return as_blocks ? f.out.write_block(block, from)
                       : f.out.write(block.data() + from, 50 - from);
    };
    EXPECT_EQ(feed(0), 20u);
    // Copied, not kept: the block still holds all of its samples.
    EXPECT_EQ(block.sample_count(), 50u);
    EXPECT_EQ(std::vector<float>(block.data(), block.data() + 50), values);
    EXPECT_EQ(feed(20), 0u);
    f.out.pause(false);
    EXPECT_EQ(feed(20), 30u);
    f.drain();
    const auto& s = f.sink->samples;
    ASSERT_EQ(s.size(), 200u);
    // The resume fade is over (20 ms) by the time the block plays: its samples are exact.
    EXPECT_EQ(std::vector<float>(s.begin() + 150, s.end()), values);
  }
}

TEST(RenderOutputBlocks, StorageHandedBackIsReusedWithoutGrowing) {
  render_output out(std::make_unique<null_render_sink>());
  output_spec spec = ms_stereo_spec();
  spec.sample_rate = 44100;
  spec.buffer_seconds = 0.5;
  out.set_format(spec);
  pcm_chunk block;
  std::set<const float*> seen;
  size_t new_storage_after_warm_up = 0;
  for (int i = 0; i < 400; ++i) {
    // Storage too small for the block would be grown here, and show as new.
    const float* storage = block.reserve(1024 * 2);
    // Half a second of buffer holds 22 blocks: after a second everything cycles.
    if (seen.insert(storage).second && i >= 44) ++new_storage_after_warm_up;
    fill_block(block, 0, 1024, 2);
    ASSERT_EQ(out.write_block(block, 0), 1024u);
    EXPECT_EQ(block.sample_count(), 0u);
  }
  EXPECT_EQ(new_storage_after_warm_up, 0u);
  EXPECT_LE(seen.size(), 30u);
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
