// The library views over a synthetic library of 100,000 tracks: building each level's
// list from scratch (all genres, all artists, all albums, all songs) and rebuilding each
// level's list after one track is added. The target is under 100 ms for each. The
// reference is sorting the 100,000 paths with std::sort (byte order), the least any
// ordered list of every track costs. Counters: model_bytes is the heap the model holds
// at the songs level (its item list, entries and labels), beyond the handles and their
// summaries, which the library owns.

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <array>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "library/library_view_model.h"

using namespace lumo;

namespace {

constexpr size_t track_count = 100000;

library_view_item make(std::mt19937& rng, size_t i) {
  static const char* const genres[] = {"Rock", "Pop",     "Jazz",  "Classical", "Electronic",
                                       "Folk", "Hip-Hop", "Metal", "Blues",     "Soundtrack"};
  const unsigned artist = rng() % 5000, album = rng() % 4;
  std::array<std::string, summary_column_count> c;
  c[0] = "Song title number " + std::to_string(i % 977);
  c[1] = "Artist " + std::to_string(artist);
  if (rng() % 10 == 0) c[2] = "Various Artists";
  c[3] = genres[rng() % 10];
  if (rng() % 8 == 0) c[3] += std::string("; ") + genres[rng() % 10];
  c[4] = "Album " + std::to_string(artist) + "-" + std::to_string(album);
  c[5] = std::to_string(1 + i % 14);
  if (rng() % 10 == 0) c[6] = std::to_string(1 + rng() % 2);
  c[7] = std::to_string(1960 + artist % 60);
  auto summary =
      std::make_shared<track_summary>(200.0f, std::array<std::string_view, summary_column_count>{
                                                  c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]});
  auto handle = get_track_handle({"file:///music/Artist " + std::to_string(artist) + "/Album " +
                                      std::to_string(album) + "/" + std::to_string(i) + ".flac",
                                  0});
  handle->set_summary(std::move(summary), 1);
  return make_view_item(handle);
}

const std::vector<library_view_item>& library() {
  static const std::vector<library_view_item> items = [] {
    std::mt19937 rng(7);
    std::vector<library_view_item> v;
    v.reserve(track_count);
    for (size_t i = 0; i < track_count; ++i) v.push_back(make(rng, i));
    return v;
  }();
  return items;
}

const std::vector<std::string> level_paths[] = {
    {},
    {"[all genres]"},
    {"[all genres]", "[albums by all artists]"},
    {"[all genres]", "[albums by all artists]", "[songs from all albums]"},
};

void BM_reference_sort_paths(benchmark::State& state) {
  std::vector<std::string> paths;
  for (const auto& i : library()) paths.push_back(i.location().path);
  std::shuffle(paths.begin(), paths.end(), std::mt19937(3));
  for (auto _ : state) {
    auto copy = paths;
    std::sort(copy.begin(), copy.end());
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(BM_reference_sort_paths)->Unit(benchmark::kMillisecond);

void BM_level(benchmark::State& state) {
  library_view_model model;
  model.set_items(library());
  model.replay(level_paths[state.range(0)]);
  for (auto _ : state) {
    model.on_items_modified({});  // rebuilds the current list from scratch
    benchmark::DoNotOptimize(model.entries().data());
  }
  state.counters["entries"] = double(model.entries().size());
}
BENCHMARK(BM_level)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// A model that has seen nothing yet replaying a saved path: every level on the way is
// built once, and every text the model keeps per track (album identities) is formatted
// first. What opening a window costs.
void BM_fresh_model_replay(benchmark::State& state) {
  const int level = int(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto model = std::make_unique<library_view_model>();
    model->set_items(library());
    state.ResumeTiming();
    model->replay(level_paths[level]);
    benchmark::DoNotOptimize(model->entries().data());
    state.PauseTiming();
    model.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_fresh_model_replay)->DenseRange(0, 3)->Iterations(3)->Unit(benchmark::kMillisecond);

// One more track each time (a fresh one, so the library grows by one per iteration and
// nothing has to be taken out again between them), at each level.
void BM_rebuild_after_add(benchmark::State& state) {
  library_view_model model;
  model.set_items(library());
  model.replay(level_paths[state.range(0)]);
  std::mt19937 rng(11);
  std::vector<library_view_item> extra;
  for (size_t i = 0; i < 64; ++i) extra.push_back(make(rng, track_count + i));
  size_t next = 0;
  for (auto _ : state) {
    if (next == extra.size()) {
      state.SkipWithError("ran out of new tracks");
      break;
    }
    model.on_items_added({extra[next++].handle});
  }
  state.counters["entries"] = double(model.entries().size());
}
BENCHMARK(BM_rebuild_after_add)->DenseRange(0, 3)->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_model_memory(benchmark::State& state) {
  library();
  for (auto _ : state) {
    const size_t before = mallinfo2().uordblks;
    auto model = std::make_unique<library_view_model>();
    model->set_items(library());
    model->replay(level_paths[3]);
    state.counters["model_bytes"] = double(mallinfo2().uordblks - before);
    state.counters["bytes_per_track"] = double(mallinfo2().uordblks - before) / track_count;
  }
}
BENCHMARK(BM_model_memory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
