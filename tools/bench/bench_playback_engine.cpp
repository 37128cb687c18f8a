// What the playback engine costs on top of decoding, in process CPU time (the engine
// decodes on its own thread and the null output plays on the output worker):
// - engine_render_16bit: a 10-minute 16-bit stereo WAV through the engine into the render
//   output's null sink (as fast as it decodes), against reference_decoder_16bit, the
//   decoder alone on the same file. Target: at most 10% more.
// - engine_discard_16bit: the same into an output that takes every block and drops it,
//   so the engine's own share shows apart from the render output's.
// - realtime_null_playback: 20 s of real-time playback of a 16-bit stereo WAV into the null
//   output (a memory ring played by the real clock); its counters give the share of one
//   core and the CPU seconds per minute of playback. Target: under 1% of one core.
//   reference_decoder_minute decodes one minute of the same file, for scale.
// The files (noise, 44.1 kHz) are generated in the system's temporary folder.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/abort.h"
#include "core/main_thread.h"
#include "input/input_open.h"
#include "noise_wav.h"
#include "playback/output.h"
#include "playback/playback_engine.h"
#include "playback/render_output.h"

namespace {

constexpr uint32_t rate = 44100;
constexpr uint32_t long_seconds = 600;
constexpr uint32_t realtime_file_seconds = 30;
constexpr double warm_up_seconds = 2.0;
constexpr double measured_seconds = 20.0;

std::string make_wav(uint32_t seconds) {
  return lumo::bench::noise_wav("lumo_bench_engine_" + std::to_string(seconds) + ".wav", rate, 16,
                                uint64_t{rate} * seconds);
}

double process_cpu_seconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return s(u.ru_utime) + s(u.ru_stime);
}

// Decodes up to max_frames frames of the file with the decoder alone.
uint64_t decode(const std::string& path, uint64_t max_frames) {
  const auto decoder = lumo::open_input_decoder("file://" + path, nullptr, lumo::abort_none());
  decoder->initialize(0, 0, lumo::abort_none());
  lumo::pcm_chunk chunk;
  uint64_t frames = 0;
  while (frames < max_frames && decoder->run(chunk, lumo::abort_none()))
    frames += chunk.sample_count();
  return frames;
}

// Takes every block at once and keeps nothing: no device, no copy.
class discard_output final : public lumo::output {
 public:
  void set_format(const lumo::output_spec& spec) override { spec_ = spec, open_ = true; }
  uint32_t write(const float*, uint32_t frames) override { return open_ ? frames : 0; }
  uint32_t free_frames() override { return open_ ? 1u << 20 : 0; }
  double latency_seconds() override { return 0; }
  void update() override {}
  void set_volume(double) override {}
  void pause(bool) override {}
  void flush() override {}
  void close() override { open_ = false; }
  bool has_format() const override { return open_; }
  const lumo::output_spec& format() const override { return spec_; }

 private:
  lumo::output_spec spec_;
  bool open_ = false;
};

void realtime_counters(benchmark::State& state, double audio_seconds) {
  state.counters["x_realtime"] = benchmark::Counter(
      audio_seconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void reference_decoder_16bit(benchmark::State& state) {
  const std::string path = make_wav(long_seconds);
  for (auto _ : state) benchmark::DoNotOptimize(decode(path, UINT64_MAX));
  realtime_counters(state, long_seconds);
}

// The main thread sleeps until the engine posts to it, as a message loop would, so its
// own wake-ups are not counted against the engine.
std::mutex g_main_lock;
std::condition_variable g_main_cv;
bool g_main_posted = false;

void wake_main() {
  {
    std::lock_guard lock(g_main_lock);
    g_main_posted = true;
  }
  g_main_cv.notify_one();
}

void wait_for_post() {
  std::unique_lock lock(g_main_lock);
  g_main_cv.wait_for(lock, std::chrono::milliseconds(50), [] { return g_main_posted; });
  g_main_posted = false;
}

void engine_to(benchmark::State& state, const lumo::playback_engine::output_factory& factory) {
  const std::string path = make_wav(long_seconds);
  lumo::set_main_thread_waker(wake_main);
  for (auto _ : state) {
    lumo::playback_engine engine(factory);
    engine.play({{"file://" + path, 0}}, 0);
    while (engine.is_playing()) {
      lumo::run_pending(lumo::drain::until_empty);
      wait_for_post();
    }
    lumo::run_pending(lumo::drain::until_empty);
    if (!engine.errors().empty()) {
      state.SkipWithError(engine.errors().front().c_str());
      break;
    }
  }
  lumo::set_main_thread_waker(nullptr);
  realtime_counters(state, long_seconds);
}

void engine_render_16bit(benchmark::State& state) {
  engine_to(state, [] {
    return std::make_unique<lumo::render_output>(std::make_unique<lumo::null_render_sink>());
  });
}

void engine_discard_16bit(benchmark::State& state) {
  engine_to(state, [] { return std::make_unique<discard_output>(); });
}

void reference_decoder_minute(benchmark::State& state) {
  const std::string path = make_wav(realtime_file_seconds);
  for (auto _ : state) {
    // The file holds half a minute: twice over.
    benchmark::DoNotOptimize(decode(path, UINT64_MAX));
    benchmark::DoNotOptimize(decode(path, UINT64_MAX));
  }
}

void realtime_null_playback(benchmark::State& state) {
  const std::string path = make_wav(realtime_file_seconds);
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    lumo::playback_engine engine(
        [] { return lumo::find_output_entry(lumo::null_output_guid)->create(lumo::guid{}); });
    engine.play({{"file://" + path, 0}}, 0);
    auto sleep_until = [&](double seconds) {
      auto start = std::chrono::steady_clock::now();
      while (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() <
             seconds) {
        lumo::run_pending(lumo::drain::until_empty);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
    };
    // Opening the file and filling the buffer are not steady playback.
    sleep_until(warm_up_seconds);
    const double cpu_before = process_cpu_seconds();
    const auto wall_before = std::chrono::steady_clock::now();
    sleep_until(measured_seconds);
    cpu += process_cpu_seconds() - cpu_before;
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_before).count();
    if (!engine.is_playing() || !engine.errors().empty()) {
      state.SkipWithError("playback ended early");
      return;
    }
    engine.stop();
  }
  state.counters["cpu_percent_of_core"] = 100.0 * cpu / wall;
  state.counters["cpu_s_per_minute"] = 60.0 * cpu / wall;
}

}  // namespace

BENCHMARK(reference_decoder_16bit)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(engine_render_16bit)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(engine_discard_16bit)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(reference_decoder_minute)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(realtime_null_playback)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK_MAIN();
