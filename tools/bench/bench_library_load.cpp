// Loading a database.dat of 100,000 tracks until the item set is complete (the reference
// is reading the same bytes and touching each one, the floor any loader pays), and the
// resident memory each restored track costs.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "fs/file_system.h"
#include "generated_library.h"
#include "heap_counter.h"
#include "library/library_database.h"

namespace {

constexpr int k_tracks = 100000;

std::shared_ptr<const std::vector<uint8_t>> make_database() {
  auto root = lumo::bench::generated_library_tree(k_tracks, "file:///music");
  lumo::file_ptr f = lumo::open_file("tempmem://", lumo::open_mode::write_new, lumo::abort_none());
  lumo::write_database(*f, {{"/music", [&] { return lumo::encode_folder_state(*root); }}},
                       lumo::abort_none());
  auto bytes = std::make_shared<std::vector<uint8_t>>(f->get_size(lumo::abort_none()));
  f->seek(0, lumo::abort_none());
  f->read_exact(bytes->data(), bytes->size(), lumo::abort_none());
  return bytes;
}

const std::shared_ptr<const std::vector<uint8_t>>& database() {
  static const auto bytes = make_database();  // its handles are gone again by now
  return bytes;
}

struct loaded {
  std::vector<std::unique_ptr<lumo::directory_node>> trees;
  std::unordered_set<lumo::track_handle_ptr, lumo::track_handle_ptr_hash> items;
};

// What the library does at start-up: every folder's state decoded into its tree, the
// restored handles reported as added and put into the item set.
void load(const std::shared_ptr<const std::vector<uint8_t>>& bytes, loaded& out) {
  for (const auto& [key, w] : lumo::read_database_windows(bytes)) {
    auto tree = lumo::decode_folder_state(w.bytes(), w.offset, "file://" + key);
    std::vector<lumo::track_handle_ptr> handles;
    lumo::collect_handles(*tree, handles);
    out.items.reserve(out.items.size() + handles.size());
    out.items.insert(handles.begin(), handles.end());
    out.trees.push_back(std::move(tree));
  }
}

double process_cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Timed until the item set is complete; freeing the library again (at exit, or when it
// is cleared) is measured apart, as teardown_ms.
void BM_database_load_100k(benchmark::State& state) {
  const auto& bytes = database();
  size_t n = 0;
  double teardown = 0;
  for (auto _ : state) {
    auto result = std::make_unique<loaded>();
    load(bytes, *result);
    n = result->items.size();
    state.PauseTiming();
    const double started = process_cpu_seconds();
    result.reset();
    teardown += process_cpu_seconds() - started;
    state.ResumeTiming();
  }
  if (n != k_tracks) state.SkipWithError("wrong track count");
  state.counters["file_MiB"] = static_cast<double>(bytes->size()) / (1 << 20);
  state.counters["teardown_cpu_ms"] = teardown * 1000 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_database_load_100k)->Unit(benchmark::kMillisecond);

void reference_touch_bytes(benchmark::State& state) {
  const auto& bytes = database();
  for (auto _ : state) {
    uint64_t sum = 0;
    for (uint8_t b : *bytes) sum += b;
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(reference_touch_bytes)->Unit(benchmark::kMillisecond);

size_t resident_bytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<size_t>(resident) * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// The heap a loaded track holds (its handle, summary, tree entry and item set slot), by
// the allocator's count of bytes in use, and the allocations its load made (each one
// dear under Wine's heap); resident growth is shown too, but the earlier cases leave
// freed pages the load reuses, so it reads low.
void BM_resident_memory_per_track(benchmark::State& state) {
  const auto& bytes = database();
  for (auto _ : state) {
    const size_t before = resident_bytes();
    const size_t heap_before = mallinfo2().uordblks;
    const size_t calls_before = lumo::bench::heap_now().calls;
    loaded kept;
    load(bytes, kept);
    const size_t calls_after = lumo::bench::heap_now().calls;
    const size_t heap_after = mallinfo2().uordblks;
    const size_t after = resident_bytes();
    state.counters["heap_bytes_per_track"] =
        static_cast<double>(heap_after - heap_before) / static_cast<double>(k_tracks);
    state.counters["rss_growth_per_track"] =
        static_cast<double>(after - before) / static_cast<double>(k_tracks);
    state.counters["allocations_per_track"] =
        static_cast<double>(calls_after - calls_before) / static_cast<double>(k_tracks);
  }
}
BENCHMARK(BM_resident_memory_per_track)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
