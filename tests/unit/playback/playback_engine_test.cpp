// The playback engine through the render-to-WAV output: consecutive files join sample
// for sample, a rate change reopens the output with both tracks whole, a start position
// lands on its sample, failing files are reported and skipped, blocks the output keeps
// come back to the decoder as storage, and calls from other threads do nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/debug_output.h"
#include "core/exceptions.h"
#include "core/main_thread.h"
#include "playback/playback_engine.h"
#include "playback/render_output.h"

namespace lumo {
namespace {

void put(std::vector<uint8_t>& b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A PCM WAV of 16 or 24 bits holding the 16-bit values given (24-bit files carry them
// shifted up, so both decode to the same floats).
void write_wav(const std::string& path, const std::vector<int16_t>& samples, uint32_t rate,
               uint32_t channels, uint32_t bits) {
  uint32_t bytes = bits / 8;
  uint32_t data = static_cast<uint32_t>(samples.size()) * bytes;
  std::vector<uint8_t> b;
  b.insert(b.end(), {'R', 'I', 'F', 'F'});
  put(b, 36 + data, 4);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put(b, 16, 4);
  put(b, 1, 2);
  put(b, channels, 2);
  put(b, rate, 4);
  put(b, rate * channels * bytes, 4);
  put(b, channels * bytes, 2);
  put(b, bits, 2);
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  put(b, data, 4);
  for (int16_t s : samples) {
    if (bits == 16)
      put(b, static_cast<uint16_t>(s), 2);
    else
      put(b, static_cast<uint32_t>(static_cast<int32_t>(s) * 256), 3);
  }
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// The float samples of a rendered WAV's data chunk (empty when the file is missing).
std::vector<float> read_float_wav(const std::string& path, uint32_t* rate = nullptr) {
  std::ifstream f(path, std::ios::binary);
  std::vector<uint8_t> b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  std::vector<float> out;
  auto u32 = [&](size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
  };
  for (size_t at = 12; at + 8 <= b.size();) {
    uint32_t size = u32(at + 4);
    if (std::memcmp(&b[at], "fmt ", 4) == 0 && rate) *rate = u32(at + 12);
    if (std::memcmp(&b[at], "data", 4) == 0) {
      out.resize(std::min<size_t>(size, b.size() - at - 8) / 4);
      std::memcpy(out.data(), &b[at + 8], out.size() * 4);
      break;
    }
    at += 8 + size + (size & 1);
  }
  return out;
}

// A phase-continuous two-tone stereo signal with a little deterministic noise, so any
// inserted, lost or moved sample shows.
std::vector<int16_t> make_signal(size_t frames, uint32_t rate) {
  std::vector<int16_t> s(frames * 2);
  uint32_t noise = 12345;
  for (size_t i = 0; i < frames; ++i) {
    noise = noise * 1664525u + 1013904223u;
    double t = static_cast<double>(i) / rate;
    double v = 0.4 * std::sin(2 * 3.14159265358979 * 441.0 * t) + ((noise >> 24) - 128) / 4096.0;
    s[2 * i] = static_cast<int16_t>(std::lround(v * 32767));
    s[2 * i + 1] =
        static_cast<int16_t>(std::lround(0.3 * std::sin(2 * 3.14159265358979 * 97.0 * t) * 32767));
  }
  return s;
}

std::vector<float> to_float(const std::vector<int16_t>& s, size_t from_frame = 0) {
  std::vector<float> f;
  for (size_t i = from_frame * 2; i < s.size(); ++i) f.push_back(s[i] / 32768.0f);
  return f;
}

struct engine_run {
  std::string dir = ::testing::TempDir();
  std::string out_path;
  std::vector<size_t> changes;
  std::vector<std::string> errors;
  bool stopped = false;
  int starting = 0;

  playback_engine::decoder_opener opener;  // the input framework when empty

  explicit engine_run(const std::string& name) : out_path(dir + name) {
    std::remove(out_path.c_str());
    std::remove((out_path.substr(0, out_path.size() - 4) + "-2.wav").c_str());
  }

  // Plays the files to the end into out_path.
  void play(const std::vector<std::string>& files, size_t start = 0, double seconds = 0) {
    playback_engine engine([this] {
      return std::make_unique<render_output>(make_wav_render_sink("file://" + out_path));
    });
    playback_callbacks cb;
    cb.starting = [this] { ++starting; };
    cb.track_changed = [this](size_t i) { changes.push_back(i); };
    cb.stopped = [this] { stopped = true; };
    cb.error = [this](const std::string& m) { errors.push_back(m); };
    engine.set_callbacks(cb);
    if (opener) engine.set_decoder_opener(opener);
    std::vector<track_location> list;
    for (const std::string& f : files) list.push_back({"file://" + f, 0});
    engine.play(list, start, seconds);
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!stopped && std::chrono::steady_clock::now() < give_up) {
      run_pending(drain::until_empty);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(stopped);
    EXPECT_FALSE(engine.is_playing());
  }
};

TEST(PlaybackEngine, ConsecutiveFilesJoinSampleForSample) {
  const uint32_t rate = 44100;
  std::vector<int16_t> signal = make_signal(100003, rate);
  // Cut at odd frame positions, one file of a single frame, mixed bit depths.
  std::vector<size_t> cuts = {0, 12347, 12348, 31001, 77777, 100003};
  engine_run run("lumo_engine_gapless.wav");
  std::vector<std::string> files;
  for (size_t i = 0; i + 1 < cuts.size(); ++i) {
    std::vector<int16_t> part(signal.begin() + static_cast<ptrdiff_t>(cuts[i] * 2),
                              signal.begin() + static_cast<ptrdiff_t>(cuts[i + 1] * 2));
    std::string path = run.dir + "lumo_engine_part" + std::to_string(i) + ".wav";
    write_wav(path, part, rate, 2, i % 2 ? 24 : 16);
    files.push_back(path);
  }
  run.play(files);
  EXPECT_EQ(run.starting, 1);
  EXPECT_TRUE(run.errors.empty());
  std::vector<float> heard = read_float_wav(run.out_path);
  std::vector<float> expected = to_float(signal);
  ASSERT_EQ(heard.size(), expected.size());
  size_t first_diff = heard.size();
  for (size_t i = 0; i < heard.size(); ++i) {
    if (heard[i] != expected[i]) {
      first_diff = i;
      break;
    }
  }
  EXPECT_EQ(first_diff, heard.size()) << "first differing sample";
  // Rendering outruns the position updates, so only the order and the last are sure.
  ASSERT_FALSE(run.changes.empty());
  EXPECT_EQ(run.changes.back(), files.size() - 1);
  EXPECT_TRUE(std::is_sorted(run.changes.begin(), run.changes.end()));
}

// A render output has no clock: the engine plays out its last buffer at once instead of
// waiting the buffer's length (0.5 s) in steps of the device poll.
TEST(PlaybackEngine, ARenderEndsWithoutWaitingOutItsBuffer) {
  std::vector<int16_t> signal = make_signal(22050, 44100);
  engine_run run("lumo_engine_no_wait.wav");
  std::string path = run.dir + "lumo_engine_no_wait_in.wav";
  write_wav(path, signal, 44100, 2, 16);
  auto began = std::chrono::steady_clock::now();
  run.play({path});
  auto took = std::chrono::steady_clock::now() - began;
  EXPECT_TRUE(read_float_wav(run.out_path) == to_float(signal));
  // Waiting it out added the buffer's 500 ms to the work itself (some 40 ms under ASan,
  // 120 ms under ThreadSanitizer).
  EXPECT_LT(took, std::chrono::milliseconds(450));
}

TEST(PlaybackEngine, RateChangeReopensTheOutputWithBothTracksWhole) {
  std::vector<int16_t> a = make_signal(22051, 44100);
  std::vector<int16_t> b = make_signal(24001, 48000);
  engine_run run("lumo_engine_rates.wav");
  std::string pa = run.dir + "lumo_engine_44.wav", pb = run.dir + "lumo_engine_48.wav";
  write_wav(pa, a, 44100, 2, 16);
  write_wav(pb, b, 48000, 2, 24);
  run.play({pa, pb});
  uint32_t rate_a = 0, rate_b = 0;
  std::vector<float> heard_a = read_float_wav(run.out_path, &rate_a);
  std::vector<float> heard_b =
      read_float_wav(run.out_path.substr(0, run.out_path.size() - 4) + "-2.wav", &rate_b);
  EXPECT_EQ(rate_a, 44100u);
  EXPECT_EQ(rate_b, 48000u);
  EXPECT_EQ(heard_a, to_float(a));
  // The second stream starts on a fresh output: no fade, nothing lost.
  EXPECT_EQ(heard_b, to_float(b));
}

TEST(PlaybackEngine, StartPositionLandsOnItsSampleAndFailuresAreSkipped) {
  std::vector<int16_t> a = make_signal(8000, 8000);
  engine_run run("lumo_engine_seek.wav");
  std::string pa = run.dir + "lumo_engine_seek_src.wav";
  std::string missing = run.dir + "lumo_engine_no_such_file.wav";
  std::string garbage = run.dir + "lumo_engine_garbage.wav";
  std::remove(missing.c_str());
  std::ofstream(garbage, std::ios::binary) << "RIFF\x04\0\0\0WAVEjunk";
  write_wav(pa, a, 8000, 2, 16);
  // 0.25 s into the first file: frame 2000; the two after it fail and are skipped.
  run.play({pa, missing, garbage}, 0, 0.25);
  std::vector<float> heard = read_float_wav(run.out_path);
  EXPECT_EQ(heard, to_float(a, 2000));
  ASSERT_EQ(run.errors.size(), 2u);
  for (const std::string& e : run.errors) {
    EXPECT_EQ(e.rfind("Unable to open item for playback (", 0), 0u) << e;
    EXPECT_NE(e.find("):\r\n"), std::string::npos) << e;
  }
  EXPECT_NE(run.errors[0].find("lumo_engine_no_such_file.wav"), std::string::npos);
}

TEST(PlaybackEngine, AnOutputFailureStopsPlaybackAndTheNextPlayWorks) {
  std::string dir = ::testing::TempDir();
  std::string src = dir + "lumo_engine_fail_src.wav", out = dir + "lumo_engine_fail.wav";
  std::remove(out.c_str());
  std::vector<int16_t> a = make_signal(3001, 8000);
  write_wav(src, a, 8000, 2, 16);
  int made = 0;
  playback_engine engine([&] {
    if (made++ == 0) throw kel::exception("Audio device not found");
    return std::make_unique<render_output>(make_wav_render_sink("file://" + out));
  });
  int stops = 0;
  std::vector<std::string> errors;
  playback_callbacks cb;
  cb.stopped = [&] { ++stops; };
  cb.error = [&](const std::string& m) { errors.push_back(m); };
  engine.set_callbacks(cb);
  for (int round = 1; round <= 2; ++round) {
    engine.play({{"file://" + src, 0}}, 0);
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (stops < round && std::chrono::steady_clock::now() < give_up) {
      run_pending(drain::until_empty);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(stops, round);
  }
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "Unrecoverable playback error: Audio device not found");
  EXPECT_EQ(read_float_wav(out), to_float(a));
}

std::string captured;
void capture(std::string_view text) {
  captured += text;
}

// Hands out a stereo signal in blocks of 1000 frames, noting the storage each block is
// decoded into.
class block_decoder final : public input_decoder {
 public:
  block_decoder(const std::vector<float>& signal, std::vector<const float*>& storage)
      : signal_(signal), storage_(storage) {}
  void get_info(uint32_t, track_info_mutable& out, const abort_signal&) override {
    out.set_length(static_cast<double>(signal_.size() / 2) / 44100);
  }
  file_stats get_file_stats(const abort_signal&) override { return {}; }
  void initialize(uint32_t, uint32_t, const abort_signal&) override {}
  bool run(pcm_chunk& chunk, const abort_signal&) override {
    size_t frames = std::min<size_t>(1000, signal_.size() / 2 - pos_);
    if (frames == 0) return false;
    float* p = chunk.reserve(frames * 2);
    storage_.push_back(p);
    std::copy_n(signal_.data() + pos_ * 2, frames * 2, p);
    chunk.set_format(44100, 2, 3);
    chunk.set_sample_count(static_cast<uint32_t>(frames));
    pos_ += frames;
    return true;
  }
  void seek(double, const abort_signal&) override {}
  bool can_seek() override { return false; }
  bool get_dynamic_info(track_info_mutable&, double&) override { return false; }
  bool get_dynamic_track_info(track_info_mutable&, double&) override { return false; }
  void on_idle(const abort_signal&) override {}
  void set_event_logger(event_logger*) override {}

 private:
  const std::vector<float>& signal_;
  std::vector<const float*>& storage_;
  size_t pos_ = 0;
};

TEST(PlaybackEngine, BlocksTheOutputKeepsComeBackAsStorageToDecodeInto) {
  std::vector<float> signal = to_float(make_signal(3 * 44100 + 7, 44100));
  std::vector<const float*> storage;
  engine_run run("lumo_engine_blocks.wav");
  run.opener = [&](const track_location&, const abort_signal&) {
    return std::make_shared<block_decoder>(signal, storage);
  };
  run.play({"two blocks.wav", "one.wav"});
  EXPECT_TRUE(run.errors.empty());
  std::vector<float> expected = signal;
  expected.insert(expected.end(), signal.begin(), signal.end());
  EXPECT_TRUE(read_float_wav(run.out_path) == expected);
  // The 0.5 s buffer holds 23 blocks: after a second of audio every block is decoded into
  // storage seen before, none grown or new.
  ASSERT_EQ(storage.size(), 2 * 133u);
  std::set<const float*> seen(storage.begin(), storage.begin() + 44);
  for (size_t i = 44; i < storage.size(); ++i) EXPECT_TRUE(seen.count(storage[i])) << i;
  EXPECT_LE(seen.size(), 32u);
}

TEST(PlaybackEngine, CallsFromOtherThreadsDoNothing) {
  playback_engine engine([] { return std::make_unique<render_output>(nullptr); });
  set_debug_output_sink(capture);
  captured.clear();
  std::thread([&] {
    engine.play({{"file:///nothing.wav", 0}}, 0);
    engine.set_volume(-10);
  }).join();
  set_debug_output_sink(nullptr);
  EXPECT_FALSE(engine.is_playing());
  EXPECT_EQ(engine.volume_db(), engine.volume_db());
  EXPECT_NE(captured.find("Error: this function can be called only from main thread.\n"),
            std::string::npos);
}

}  // namespace
}  // namespace lumo
