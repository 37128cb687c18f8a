// Decoding throughput of the PCM decoder on 10-minute 16-bit and 24-bit stereo WAV files,
// against sox decoding the same file to floats in the same run:
//   sox FILE -t f32 /dev/null
// The files are generated here (noise, 44.1 kHz) in the system's temporary folder.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/abort.h"
#include "fs/file_system.h"
#include "input/input_open.h"

namespace {

constexpr uint32_t rate = 44100;
constexpr uint32_t seconds = 600;

std::string make_wav(uint32_t bits) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("lumo_bench_" + std::to_string(bits) + ".wav"))
          .string();
  const uint64_t frames = uint64_t{rate} * seconds;
  const uint32_t align = bits / 8 * 2;
  const uint64_t data = frames * align;
  if (std::filesystem::exists(path) && std::filesystem::file_size(path) == data + 44) return path;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  auto u16 = [&](uint32_t v) { std::fputc(v & 0xFF, f), std::fputc(v >> 8 & 0xFF, f); };
  auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
  std::fputs("RIFF", f), u32(static_cast<uint32_t>(36 + data)), std::fputs("WAVEfmt ", f), u32(16);
  u16(1), u16(2), u32(rate), u32(rate * align), u16(align), u16(bits);
  std::fputs("data", f), u32(static_cast<uint32_t>(data));
  std::mt19937 noise(42);
  std::vector<uint8_t> block(1 << 20);
  for (uint64_t left = data; left;) {
    for (auto& b : block) b = static_cast<uint8_t>(noise());
    const size_t n = static_cast<size_t>(std::min<uint64_t>(left, block.size()));
    std::fwrite(block.data(), 1, n, f);
    left -= n;
  }
  std::fclose(f);
  return path;
}

void decode_file(benchmark::State& state, uint32_t bits) {
  const std::string path = make_wav(bits);
  for (auto _ : state) {
    const auto decoder = lumo::open_input_decoder("file://" + path, nullptr, lumo::abort_none());
    decoder->initialize(0, 0, lumo::abort_none());
    lumo::pcm_chunk chunk;
    uint64_t samples = 0;
    while (decoder->run(chunk, lumo::abort_none())) samples += chunk.sample_count();
    benchmark::DoNotOptimize(samples);
  }
  state.counters["x_realtime"] = benchmark::Counter(
      static_cast<double>(seconds) * state.iterations(), benchmark::Counter::kIsRate);
}

void sox_file(benchmark::State& state, uint32_t bits) {
  const std::string path = make_wav(bits);
  const std::string command = "sox '" + path + "' -t f32 /dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("sox failed");
      return;
    }
  }
  state.counters["x_realtime"] = benchmark::Counter(
      static_cast<double>(seconds) * state.iterations(), benchmark::Counter::kIsRate);
}

// tools/bench/run.sh pairs each case with the reference of the same last word.
void pcm_wav_16bit(benchmark::State& s) {
  decode_file(s, 16);
}
void pcm_wav_24bit(benchmark::State& s) {
  decode_file(s, 24);
}
void reference_sox_16bit(benchmark::State& s) {
  sox_file(s, 16);
}
void reference_sox_24bit(benchmark::State& s) {
  sox_file(s, 24);
}

}  // namespace

BENCHMARK(pcm_wav_16bit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(reference_sox_16bit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(pcm_wav_24bit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(reference_sox_24bit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
