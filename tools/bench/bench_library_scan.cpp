// The library's first scan of a folder of 10,000 tagged files (WAV, AIFF and MP3 with
// ID3v2), in files per second, against TagLib reading the same files' tags and lengths in
// the same run (the reference, built only when TagLib's development files are installed).
// The scan runs on the watcher's own thread, so each case also reports the process CPU
// time it used (cpu_ms) and the rate per CPU second: on a loaded machine wall time says
// more about the neighbours than about us.
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/main_thread.h"
#include "library/folder_watcher.h"
#include "meta/track_info.h"
#include "tags/id3v2_fields.h"
#include "tags/id3v2_tag.h"

#ifdef LUMO_BENCH_TAGLIB
#include <taglib/fileref.h>
#include <taglib/tag.h>
#endif

namespace {

constexpr int k_files = 10000;

void put32le(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
}
void put32be(std::string& s, uint32_t v) {
  for (int i = 3; i >= 0; --i) s.push_back(static_cast<char>(v >> (8 * i)));
}

std::string even(std::string text) {
  text.push_back('\0');
  if (text.size() & 1) text.push_back('\0');
  return text;
}

// A tenth of a second of 8 kHz mono 16-bit audio with title, artist, album and track number.
std::string wav_file(int n) {
  std::string info = "INFO";
  auto item = [&](const char* id, const std::string& text) {
    info += id;
    put32le(info, static_cast<uint32_t>(text.size() + 1));
    info += even(text);
  };
  item("INAM", "Song number " + std::to_string(n));
  item("IART", "Artist " + std::to_string(n % 97));
  item("IPRD", "Album " + std::to_string(n % 503) + ", Disc " + std::to_string(n % 3 + 1));
  item("ITRK", std::to_string(n % 20 + 1) + "/20");
  std::string body = "WAVEfmt ";
  put32le(body, 16);
  body += std::string("\x01\x00\x01\x00\x40\x1f\x00\x00\x80\x3e\x00\x00\x02\x00\x10\x00", 16);
  body += "data";
  put32le(body, 1600);
  body += std::string(1600, '\0');
  body += "LIST";
  put32le(body, static_cast<uint32_t>(info.size()));
  body += info;
  std::string out = "RIFF";
  put32le(out, static_cast<uint32_t>(body.size()));
  return out + body;
}

std::string aiff_file(int n) {
  std::string comm;
  comm += std::string("\x00\x01", 2);                                   // channels
  put32be(comm, 800);                                                   // frames
  comm += std::string("\x00\x10", 2);                                   // bits
  comm += std::string("\x40\x0b\xfa\x00\x00\x00\x00\x00\x00\x00", 10);  // 8000 Hz
  std::string body = "AIFFCOMM";
  put32be(body, static_cast<uint32_t>(comm.size()));
  body += comm;
  std::string name = "Aiff song " + std::to_string(n);
  body += "NAME";
  put32be(body, static_cast<uint32_t>(name.size()));
  body += name;
  if (name.size() & 1) body.push_back('\0');
  body += "SSND";
  put32be(body, 8 + 1600);
  body += std::string(8 + 1600, '\0');
  std::string out = "FORM";
  put32be(out, static_cast<uint32_t>(body.size()));
  return out + body;
}

// An ID3v2.3 tag (title, artist, album, track number, date, genre) and twenty silent
// MPEG-1 Layer III frames (half a second).
std::string mp3_file(int n) {
  lumo::track_info_mutable info;
  info.meta_add_value("title", "Mp3 song " + std::to_string(n));
  info.meta_add_value("artist", "Artist " + std::to_string(n % 97));
  info.meta_add_value("album", "Album " + std::to_string(n % 503));
  info.meta_add_value("tracknumber", std::to_string(n % 14 + 1));
  info.meta_add_value("date", std::to_string(1970 + n % 50));
  info.meta_add_value("genre", "Rock");
  lumo::id3::id3v2_tag old;
  old.major_version = 3;
  std::string out =
      lumo::id3::render_id3v2_tag(lumo::id3::build_id3v2_tag(&old, info, {}), 0, 256).bytes;
  for (int i = 0; i < 20; ++i) out += std::string("\xFF\xFB\x90\x64", 4) + std::string(413, '\0');
  return out;
}

// Made once and kept between runs (the marker file says it is complete): writing 10,000
// files takes longer than scanning them.
const std::filesystem::path& corpus() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / "lumo-bench-library-scan";
    const auto marker = std::filesystem::temp_directory_path() / "lumo-bench-library-scan.v2";
    if (std::filesystem::exists(marker) && std::filesystem::exists(d)) return d;
    std::filesystem::remove(marker);
    std::filesystem::remove_all(d);
    for (int i = 0; i < k_files; ++i) {
      auto folder = d / ("Artist " + std::to_string(i % 97)) / ("Album " + std::to_string(i % 503));
      std::filesystem::create_directories(folder);
      const int kind = i % 5;  // two in five WAV, two MP3, one AIFF
      const char* ext = kind < 2 ? ".wav" : kind < 4 ? ".mp3" : ".aif";
      std::ofstream(folder / (std::to_string(i) + ext), std::ios::binary)
          << (kind < 2   ? wav_file(i)
              : kind < 4 ? mp3_file(i)
                         : aiff_file(i));
    }
    std::ofstream(marker) << "complete\n";
    return d;
  }();
  return dir;
}

double process_cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Process CPU over the timed loop, as milliseconds per pass and files per CPU second.
void report_cpu(benchmark::State& state, double cpu_seconds) {
  const double passes = static_cast<double>(state.iterations());
  state.counters["cpu_ms"] = cpu_seconds * 1000 / passes;
  state.counters["files_per_cpu_s"] = passes * k_files / cpu_seconds;
}

void BM_library_first_scan(benchmark::State& state) {
  const std::string root = "file://" + corpus().string();
  size_t tracks = 0;
  double cpu = 0;
  for (auto _ : state) {
    const double cpu_start = process_cpu_seconds();
    lumo::folder_watcher_options o;
    o.root_url = root;
    lumo::folder_watcher w(std::move(o));
    w.start(lumo::folder_mode_no_monitoring);
    while (w.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    tracks = w.handles().size();
    cpu += process_cpu_seconds() - cpu_start;
  }
  if (tracks != k_files) state.SkipWithError("not every file became a track");
  state.SetItemsProcessed(state.iterations() * k_files);
  report_cpu(state, cpu);
}
BENCHMARK(BM_library_first_scan)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef LUMO_BENCH_TAGLIB
void reference_taglib_scan(benchmark::State& state) {
  size_t titles = 0;
  double cpu = 0;
  for (auto _ : state) {
    const double cpu_start = process_cpu_seconds();
    titles = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(corpus())) {
      if (!e.is_regular_file()) continue;
      TagLib::FileRef f(e.path().c_str(), true, TagLib::AudioProperties::Fast);
      if (f.isNull() || !f.tag()) continue;
      TagLib::Tag* t = f.tag();
      benchmark::DoNotOptimize(t->title().to8Bit(true));
      benchmark::DoNotOptimize(t->artist().to8Bit(true));
      benchmark::DoNotOptimize(t->album().to8Bit(true));
      benchmark::DoNotOptimize(t->genre().to8Bit(true));
      benchmark::DoNotOptimize(t->track());
      benchmark::DoNotOptimize(t->year());
      if (f.audioProperties())
        benchmark::DoNotOptimize(f.audioProperties()->lengthInMilliseconds());
      ++titles;
    }
    cpu += process_cpu_seconds() - cpu_start;
  }
  if (titles != k_files) state.SkipWithError("TagLib did not open every file");
  state.SetItemsProcessed(state.iterations() * k_files);
  report_cpu(state, cpu);
}
BENCHMARK(reference_taglib_scan)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace

BENCHMARK_MAIN();
