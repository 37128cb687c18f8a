// Formatting a library view: two compiled scripts over 100,000 library records, against
// the same strings built by hand with std::string appends in the same run.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "heap_counter.h"
#include "library/library_title_format_hook.h"
#include "meta/title_format.h"

namespace {

constexpr size_t record_count = 100000;

const char* const g_album_script =
    "%album artist% - %album% - [[%discnumber%.]%tracknumber%. ]%title%";
const char* const g_track_script = "[[%discnumber%.]%tracknumber%. ]%title%[ // %track artist%]";

struct library_record {
  lumo::track_summary summary;
  lumo::track_location location;
};

const std::vector<library_record>& records() {
  static const std::vector<library_record> all = [] {
    std::vector<library_record> r(record_count);
    for (size_t i = 0; i < record_count; ++i) {
      auto& s = r[i].summary;
      std::string n = std::to_string(i);
      s.length = 180 + double(i % 300);
      s.set_column(lumo::summary_column::title, "Song title number " + n);
      // Every fifth track is on a compilation: artist differs from album artist.
      s.set_column(lumo::summary_column::artist, "Artist " + std::to_string(i / 50));
      s.set_column(lumo::summary_column::album_artist,
                   i % 5 == 0 ? "Various Artists" : s.column(lumo::summary_column::artist));
      s.set_column(lumo::summary_column::album, "Album " + std::to_string(i / 12));
      s.set_column(lumo::summary_column::tracknumber, std::to_string(i % 12 + 1));
      if (i % 3 == 0) s.set_column(lumo::summary_column::discnumber, std::to_string(i % 2 + 1));
      s.set_column(lumo::summary_column::date, "2001");
      r[i].location = {"file:///music/Album " + std::to_string(i / 12) + "/" + n + ".flac", 0};
    }
    return r;
  }();
  return all;
}

void BM_title_format_scripts(benchmark::State& state) {
  const auto& all = records();
  auto album = lumo::title_format_script::compile(g_album_script);
  auto track = lumo::title_format_script::compile(g_track_script);
  std::string text;
  text.reserve(256);
  lumo::library_title_format_hook hook(all[0].summary, all[0].location);
  size_t bytes = 0;
  size_t allocations = 0;
  for (auto _ : state) {
    size_t before = lumo::bench::heap_now().calls;
    for (const auto& record : all) {
      hook.reset(record.summary, record.location);
      text.clear();
      lumo::title_format_output out(text);
      album.evaluate(hook, out);
      bytes += text.size();
      text.clear();
      track.evaluate(hook, out);
      bytes += text.size();
      benchmark::DoNotOptimize(text.data());
    }
    allocations += lumo::bench::heap_now().calls - before;
  }
  benchmark::DoNotOptimize(bytes);
  state.counters["allocations_per_evaluation"] =
      double(allocations) / double(state.iterations() * all.size() * 2);
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(all.size()) * 2);
}

// The same two texts by hand: the shortest code a programmer would write for them,
// including the two-digit track number and the artist fallbacks.
void append_track_number(std::string& out, const lumo::track_summary& s) {
  const std::string_view n = s.column(lumo::summary_column::tracknumber);
  if (n.size() == 1) out += '0';
  out += n;
}

void BM_hand_built_strings(benchmark::State& state) {
  const auto& all = records();
  std::string text;
  text.reserve(256);
  size_t bytes = 0;
  for (auto _ : state) {
    for (const auto& record : all) {
      const auto& s = record.summary;
      const std::string_view artist = s.column(lumo::summary_column::artist);
      const std::string_view album_artist = s.column(lumo::summary_column::album_artist);
      const std::string_view disc = s.column(lumo::summary_column::discnumber);
      const std::string_view number = s.column(lumo::summary_column::tracknumber);
      text.clear();
      text += album_artist.empty() ? artist : album_artist;
      text += " - ";
      text += s.column(lumo::summary_column::album);
      text += " - ";
      if (!number.empty()) {
        if (!disc.empty()) {
          text += disc;
          text += '.';
        }
        append_track_number(text, s);
        text += ". ";
      }
      text += s.column(lumo::summary_column::title);
      bytes += text.size();
      text.clear();
      if (!number.empty()) {
        if (!disc.empty()) {
          text += disc;
          text += '.';
        }
        append_track_number(text, s);
        text += ". ";
      }
      text += s.column(lumo::summary_column::title);
      if (!artist.empty() && !album_artist.empty() && artist != album_artist) {
        text += " // ";
        text += artist;
      }
      bytes += text.size();
      benchmark::DoNotOptimize(text.data());
    }
  }
  benchmark::DoNotOptimize(bytes);
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(all.size()) * 2);
}

BENCHMARK(BM_hand_built_strings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_title_format_scripts)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
