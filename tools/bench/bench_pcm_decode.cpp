// Decoding throughput of the PCM decoder on 10-minute 16-bit and 24-bit stereo WAV files,
// against sox decoding the same file to floats in the same run:
//   sox FILE -t f32 /dev/null
// The files are generated here (noise, 44.1 kHz) in the system's temporary folder.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/abort.h"
#include "fs/file_system.h"
#include "input/input_open.h"
#include "noise_wav.h"

namespace {

constexpr uint32_t rate = 44100;
constexpr uint32_t seconds = 600;

std::string make_wav(uint32_t bits) {
  return lumo::bench::noise_wav("lumo_bench_" + std::to_string(bits) + ".wav", rate, bits,
                                uint64_t{rate} * seconds);
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
