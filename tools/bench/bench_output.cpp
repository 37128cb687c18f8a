// The output path without a device: ten minutes of stereo audio converted, ramped and
// played into the render output's null sink (copied, or as whole blocks it keeps), and
// through the ring servicing algorithm into a memory ring, against a plain float-to-16-bit
// copy of the same samples. Reports multiples of real time and the heap allocations per
// write after the stream opened.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "heap_counter.h"
#include "playback/memory_ring_device.h"
#include "playback/render_output.h"
#include "playback/ring_stream.h"
#include "playback/sample_convert.h"

namespace {

constexpr uint32_t rate = 44100;
constexpr uint32_t block_frames = 4096;
constexpr double stream_seconds = 600.0;

lumo::output_spec stereo16() {
  lumo::output_spec s;
  s.sample_rate = rate;
  s.channels = 2;
  s.channel_mask = 0x3;
  s.bits_per_sample = 16;
  s.buffer_seconds = 0.5;
  return s;
}

const std::vector<float>& block() {
  static const std::vector<float> b = [] {
    std::vector<float> v(2 * block_frames);
    for (size_t i = 0; i < block_frames; ++i)
      v[2 * i] = v[2 * i + 1] = 0.5f * std::sin(i * 0.0627f);
    return v;
  }();
  return b;
}

uint64_t blocks_per_stream() {
  return static_cast<uint64_t>(stream_seconds * rate / block_frames);
}

void report(benchmark::State& state, uint64_t writes, size_t allocations) {
  state.counters["x_realtime"] = benchmark::Counter(
      stream_seconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["allocs_per_write"] =
      static_cast<double>(allocations) / static_cast<double>(writes);
}

void reference_copy_16bit(benchmark::State& state) {
  std::vector<uint8_t> out(4 * block_frames);
  for (auto _ : state) {
    for (uint64_t b = 0; b < blocks_per_stream(); ++b) {
      lumo::convert_samples(block().data(), 2 * block_frames, {16, false}, out.data());
      benchmark::DoNotOptimize(out.data());
    }
  }
  report(state, blocks_per_stream() * state.iterations(), 0);
}

void render_null_16bit(benchmark::State& state) {
  uint64_t writes = 0;
  size_t allocations = 0;
  for (auto _ : state) {
    lumo::render_output out(std::make_unique<lumo::null_render_sink>());
    out.set_format(stereo16());
    size_t before = lumo::bench::heap_now().calls;
    for (uint64_t b = 0; b < blocks_per_stream(); ++b) {
      // A volume ramp every few seconds keeps the ramp path in the measurement.
      if (b % 32 == 0) out.set_volume(b % 64 ? -3.0 : 0.0);
      out.write(block().data(), block_frames);
    }
    allocations += lumo::bench::heap_now().calls - before;
    writes += blocks_per_stream();
  }
  report(state, writes, allocations);
}

// The engine's way: decoded blocks handed over whole, each decoded (copied from the test
// block) into the storage the output handed back. Allocations count after a second of
// warm-up, once the storage handed back cycles.
void render_null_blocks_16bit(benchmark::State& state) {
  constexpr uint32_t frames = 1024;
  const uint64_t blocks = static_cast<uint64_t>(stream_seconds * rate / frames);
  const uint64_t warm_up = rate / frames;
  uint64_t writes = 0;
  size_t allocations = 0;
  for (auto _ : state) {
    lumo::render_output out(std::make_unique<lumo::null_render_sink>());
    out.set_format(stereo16());
    lumo::pcm_chunk chunk;
    size_t before = 0;
    for (uint64_t b = 0; b < blocks; ++b) {
      if (b == warm_up) before = lumo::bench::heap_now().calls;
      if (b % 128 == 0) out.set_volume(b % 256 ? -3.0 : 0.0);
      std::copy_n(block().data(), 2 * frames, chunk.reserve(2 * frames));
      chunk.set_format(rate, 2, 0x3);
      chunk.set_sample_count(frames);
      out.write_block(chunk, 0);
    }
    allocations += lumo::bench::heap_now().calls - before;
    writes += blocks - warm_up;
  }
  report(state, writes, allocations);
}

class bench_clock final : public lumo::ring_platform {
 public:
  double now_seconds() override { return now; }
  uint32_t begin_timer_period() override { return 0; }
  void end_timer_period(uint32_t) override {}
  double now = 0;
};

void ring_memory_16bit(benchmark::State& state) {
  uint64_t writes = 0;
  size_t allocations = 0;
  for (auto _ : state) {
    bench_clock clock;
    lumo::output_spec spec = stereo16();
    auto device = std::make_unique<lumo::memory_ring_device>(
        spec, lumo::ring_stream::ring_size_bytes(spec), clock);
    lumo::ring_stream stream(spec, std::move(device), clock, 1.0, 0.0, false);
    size_t before = lumo::bench::heap_now().calls;
    uint64_t written_blocks = 0;
    const uint32_t chunk = block_frames / 4;
    while (written_blocks < blocks_per_stream()) {
      for (int q = 0; q < 4; ++q) {
        while (stream.write(block().data() + 2 * q * chunk, chunk) == 0) {
          clock.now += 0.01;
          stream.service();
        }
      }
      ++written_blocks;
      if (written_blocks % 32 == 0) stream.set_gain(written_blocks % 64 ? 0.7 : 1.0, 0.05);
    }
    allocations += lumo::bench::heap_now().calls - before;
    writes += 4 * blocks_per_stream();
  }
  report(state, writes, allocations);
}

}  // namespace

BENCHMARK(reference_copy_16bit)->Unit(benchmark::kMillisecond);
BENCHMARK(render_null_16bit)->Unit(benchmark::kMillisecond);
BENCHMARK(render_null_blocks_16bit)->Unit(benchmark::kMillisecond);
BENCHMARK(ring_memory_16bit)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
