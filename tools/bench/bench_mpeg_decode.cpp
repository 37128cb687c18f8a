// MPEG audio: decoding a 10-minute 320 kbps stereo MP3 and a VBR V2 one, against the
// mpg123 program decoding the same file to floats in the same run:
//   mpg123 -q -e f32 -s FILE > /dev/null
// and seeking to the last minute of a 60-minute file, cold (a path the seek-table cache
// has not seen, so the frames before the target are parsed) and with the cached table.
// The files are made once with lame (pink noise and a tone, 44.1 kHz) in the system's
// temporary folder; the 60-minute one is six copies of the 320 kbps audio frames.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/abort.h"
#include "fs/file_system.h"
#include "input/input_open.h"
#include "input/mpeg/mpeg_header.h"

namespace {

namespace fs = std::filesystem;

constexpr double seconds = 600;

fs::path temp(const std::string& name) {
  return fs::temp_directory_path() / name;
}

std::string make_mp3(const std::string& name, const std::string& lame_options) {
  const fs::path mp3 = temp(name);
  if (fs::exists(mp3)) return mp3.string();
  const fs::path wav = temp("lumo_bench_mpeg_source.wav");
  if (!fs::exists(wav)) {
    const std::string sox =
        "sox -R -r 44100 -c 2 -n -b 16 '" + wav.string() + "' synth 600 pinknoise sine 523 gain -9";
    if (std::system(sox.c_str()) != 0) return {};
  }
  const std::string lame = "lame --quiet " + lame_options + " '" + wav.string() + "' '" +
                           mp3.string() + ".part' && mv '" + mp3.string() + ".part' '" +
                           mp3.string() + "'";
  if (std::system(lame.c_str()) != 0) return {};
  return mp3.string();
}

// Sixty minutes: the audio frames of the 320 kbps file (its Info frame dropped) six times.
std::string make_hour() {
  const fs::path hour = temp("lumo_bench_mpeg_60min.mp3");
  if (fs::exists(hour)) return hour.string();
  const std::string source = make_mp3("lumo_bench_mpeg_320.mp3", "-b 320");
  std::ifstream in(source, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  const auto first = lumo::mpeg::parse_frame_header(bytes.data());
  if (!first) return {};
  std::ofstream out(hour, std::ios::binary);
  for (int i = 0; i < 6; ++i)
    out.write(reinterpret_cast<const char*>(bytes.data() + first->frame_bytes),
              static_cast<std::streamsize>(bytes.size() - first->frame_bytes));
  return hour.string();
}

void decode(benchmark::State& state, const std::string& path) {
  if (path.empty()) return state.SkipWithError("could not make the file");
  for (auto _ : state) {
    const auto decoder = lumo::open_input_decoder("file://" + path, nullptr, lumo::abort_none());
    decoder->initialize(0, 0, lumo::abort_none());
    lumo::pcm_chunk chunk;
    uint64_t samples = 0;
    while (decoder->run(chunk, lumo::abort_none())) samples += chunk.sample_count();
    benchmark::DoNotOptimize(samples);
  }
  state.counters["x_realtime"] =
      benchmark::Counter(seconds * state.iterations(), benchmark::Counter::kIsRate);
}

void mpg123(benchmark::State& state, const std::string& path) {
  if (path.empty()) return state.SkipWithError("could not make the file");
  const std::string command = "mpg123 -q -e f32 -s '" + path + "' > /dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) return state.SkipWithError("mpg123 failed");
  }
  state.counters["x_realtime"] =
      benchmark::Counter(seconds * state.iterations(), benchmark::Counter::kIsRate);
}

void seek_last_minute(benchmark::State& state, bool is_cached) {
  const std::string path = make_hour();
  if (path.empty()) return state.SkipWithError("could not make the file");
  int round = 0;
  for (auto _ : state) {
    // A new spelling of the same file ("/./" repeated) is a new cache key, so the walk
    // starts from scratch; more spellings than cache slots keep every round cold.
    std::string url = "file://" + path;
    if (!is_cached) {
      std::string dots;
      for (int i = 0, n = ++round % 20 + 1; i < n; ++i) dots += "/.";
      url.insert(url.rfind('/'), dots);
    }
    const auto decoder = lumo::open_input_decoder(url, nullptr, lumo::abort_none());
    decoder->initialize(0, 0, lumo::abort_none());
    decoder->seek(59 * 60, lumo::abort_none());
    lumo::pcm_chunk chunk;
    decoder->run(chunk, lumo::abort_none());
    benchmark::DoNotOptimize(chunk.sample_count());
  }
}

void mpeg_decode_320(benchmark::State& s) {
  decode(s, make_mp3("lumo_bench_mpeg_320.mp3", "-b 320"));
}
void reference_mpg123_320(benchmark::State& s) {
  mpg123(s, make_mp3("lumo_bench_mpeg_320.mp3", "-b 320"));
}
void mpeg_decode_v2(benchmark::State& s) {
  decode(s, make_mp3("lumo_bench_mpeg_v2.mp3", "-V 2"));
}
void reference_mpg123_v2(benchmark::State& s) {
  mpg123(s, make_mp3("lumo_bench_mpeg_v2.mp3", "-V 2"));
}
void mpeg_seek_cold_60min(benchmark::State& s) {
  seek_last_minute(s, false);
}
void mpeg_seek_cached_60min(benchmark::State& s) {
  seek_last_minute(s, true);
}

}  // namespace

BENCHMARK(mpeg_decode_320)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(reference_mpg123_320)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(mpeg_decode_v2)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(reference_mpg123_v2)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(mpeg_seek_cold_60min)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(mpeg_seek_cached_60min)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
