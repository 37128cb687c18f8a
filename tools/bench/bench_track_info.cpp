// Memory and speed of the packed track information record against the mutable one, over
// 100,000 records shaped like a real library (10 meta fields, 8 info fields each).
//
// Reports, for each form:
//   bytes_per_record  live heap bytes plus the holder (sizeof of what a holder keeps)
//   allocs_per_record live heap blocks per record
//   per_pack / per_copy  time to build one long-lived record from a reader's record
//   per_lookup        one field found by name (two meta fields and one info field)
// and at the end the ratios packed / mutable.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "heap_counter.h"
#include "meta/track_info_mutable.h"
#include "meta/track_info_packed.h"

using namespace lumo;

namespace {

constexpr size_t record_count = 100000;

// Readers report names in the spelling of their tag format: Vorbis comments upper case,
// ID3 and MP4 through our own lower-case mapping.
std::vector<track_info_mutable> make_records() {
  static const char* const genres[] = {"Rock", "Jazz", "Classical", "Electronic", "Folk"};
  static const char* const codecs[] = {"FLAC", "MP3", "AAC", "Vorbis"};
  std::vector<track_info_mutable> records(record_count);
  for (size_t i = 0; i < record_count; ++i) {
    track_info_mutable& r = records[i];
    bool is_vorbis = i % 3 == 0;
    auto name = [&](const char* lower, const char* upper) { return is_vorbis ? upper : lower; };
    size_t album = i / 12;
    r.set_length(180.0 + double(i % 240));
    r.meta_add_value(name("title", "TITLE"), "Track title number " + std::to_string(i));
    r.meta_add_value(name("artist", "ARTIST"), "Artist " + std::to_string(album / 5));
    r.meta_add_value(name("album", "ALBUM"), "The album called " + std::to_string(album));
    r.meta_add_value(name("album artist", "ALBUM ARTIST"), "Artist " + std::to_string(album / 5));
    r.meta_add_value(name("date", "DATE"), std::to_string(1960 + album % 60));
    r.meta_add_value(name("genre", "GENRE"), genres[album % 5]);
    r.meta_add_value(name("tracknumber", "TRACKNUMBER"), std::to_string(i % 12 + 1));
    r.meta_add_value(name("totaltracks", "TOTALTRACKS"), "12");
    r.meta_add_value(name("discnumber", "DISCNUMBER"), "1");
    r.meta_add_value(name("comment", "COMMENT"),
                     "Ripped from the original CD, " + std::to_string(i));
    const char* codec = codecs[album % 4];
    r.info_set("codec", codec);
    r.info_set("bitrate", std::to_string(128 + album % 900));
    r.info_set("samplerate", album % 7 ? "44100" : "96000");
    r.info_set("channels", "2");
    r.info_set("bitspersample", "16");
    r.info_set("encoding", album % 4 == 0 ? "lossless" : "lossy");
    r.info_set("tagtype", is_vorbis ? "vorbiscomment" : "id3v2|apev2");
    r.info_set("codec_profile", album % 4 == 1 ? "CBR" : "VBR");
    r.replaygain_set_from_text("replaygain_track_gain", "-7.21 dB");
    r.replaygain_set_from_text("replaygain_track_peak", "0.987654");
  }
  return records;
}

const std::vector<track_info_mutable>& records() {
  static const std::vector<track_info_mutable> r = make_records();
  return r;
}

template <class Holder, class Make>
void build_all(benchmark::State& state, Make make, size_t holder_bytes) {
  // range(0) distinct sources: all of them (memory-bound, as when scanning a library), or a
  // few that stay in cache (the CPU cost of the operation itself).
  const auto& all = records();
  std::vector<const track_info_mutable*> source;
  for (size_t i = 0; i < record_count; ++i) source.push_back(&all[i % size_t(state.range(0))]);
  size_t bytes = 0;
  size_t count = 0;
  for (auto _ : state) {
    std::vector<Holder> held;
    held.reserve(record_count);
    auto before = lumo::bench::heap_now();
    for (const auto* r : source) held.push_back(make(*r));
    auto after = lumo::bench::heap_now();
    bytes = after.live_bytes - before.live_bytes;
    count = after.live_blocks - before.live_blocks;
    state.PauseTiming();
    held.clear();
    state.ResumeTiming();
  }
  state.counters["bytes_per_record"] = double(bytes) / record_count + double(holder_bytes);
  state.counters["allocs_per_record"] = double(count) / record_count;
  state.counters["per_record"] = benchmark::Counter(
      record_count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_build_packed(benchmark::State& state) {
  build_all<track_info_packed::ptr>(
      state, [](const track_info& r) { return track_info_packed::pack(r); },
      sizeof(track_info_packed::ptr));
}

void BM_build_mutable(benchmark::State& state) {
  build_all<track_info_mutable>(
      state, [](const track_info_mutable& r) { return r; }, sizeof(track_info_mutable));
}

template <class Record>
void lookup_all(benchmark::State& state, const std::vector<Record>& held) {
  for (auto _ : state) {
    size_t found = 0;
    for (const auto& r : held) {
      const track_info& info = *r;
      found += info.meta_find_value("album").has_value();
      found += info.meta_find_value("tracknumber").has_value();
      found += info.info_find("samplerate") != track_info::npos;
    }
    benchmark::DoNotOptimize(found);
  }
  state.counters["per_lookup"] =
      benchmark::Counter(3 * double(held.size()), benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
}

struct self_ptr {
  const track_info_mutable* p;
  const track_info_mutable& operator*() const { return *p; }
};

void BM_lookup_packed(benchmark::State& state) {
  std::vector<track_info_packed::ptr> distinct;
  for (size_t i = 0; i < size_t(state.range(0)); ++i) {
    distinct.push_back(track_info_packed::pack(records()[i]));
  }
  std::vector<track_info_packed::ptr> held;
  for (size_t i = 0; i < record_count; ++i) held.push_back(distinct[i % distinct.size()]);
  lookup_all(state, held);
}

void BM_lookup_mutable(benchmark::State& state) {
  std::vector<self_ptr> held;
  for (size_t i = 0; i < record_count; ++i) {
    held.push_back({&records()[i % size_t(state.range(0))]});
  }
  lookup_all(state, held);
}

constexpr int64_t in_cache = 16;
BENCHMARK(BM_build_packed)->Arg(record_count)->Arg(in_cache)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_build_mutable)->Arg(record_count)->Arg(in_cache)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_lookup_packed)->Arg(record_count)->Arg(in_cache)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_lookup_mutable)->Arg(record_count)->Arg(in_cache)->Unit(benchmark::kMillisecond);

// Collects the counters to print packed / mutable ratios after the usual table.
class ratio_reporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      for (const auto& [name, counter] : run.counters)
        values_[run.benchmark_name()][name] = counter;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const char* arg : {"/100000", "/16"}) {
      auto value = [&](const char* bench, const char* form, const char* counter) {
        return values_[std::string(bench) + form + arg][counter];
      };
      auto ratio = [&](const char* label, const char* bench, const char* counter, double scale) {
        double x = value(bench, "_packed", counter) * scale;
        double y = value(bench, "_mutable", counter) * scale;
        std::printf("  %-18s packed %10.1f  mutable %10.1f  ratio %.2f\n", label, x, y,
                    y ? x / y : 0.0);
      };
      std::printf("\npacked / mutable (reference), %s distinct records:\n", arg + 1);
      ratio("bytes_per_record", "BM_build", "bytes_per_record", 1);
      ratio("allocs_per_record", "BM_build", "allocs_per_record", 1);
      ratio("ns_per_build", "BM_build", "per_record", 1e9);
      ratio("ns_per_lookup", "BM_lookup", "per_lookup", 1e9);
    }
  }

 private:
  std::map<std::string, std::map<std::string, double>> values_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  ratio_reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}
