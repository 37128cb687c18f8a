// Reading a 64 MiB file through the buffered file object in 4-byte and 4096-byte reads,
// against one read of the whole file into memory (the reference: the least the file
// system layer can cost). Format readers issue many small reads; the buffer must keep
// them close to the reference.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fs/file_system.h"

namespace {

using namespace lumo;

constexpr size_t k_file_bytes = 64u << 20;
std::string g_url;

void create_test_file() {
  const char* dir = std::getenv("TMPDIR");
  g_url = "file://" + std::string(dir && *dir ? dir : "/tmp") + "/lumo-bench-file-read.bin";
  file_ptr f = open_file(g_url, open_mode::write_new, abort_none());
  std::vector<unsigned char> chunk(1u << 20);
  for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<unsigned char>(i * 7);
  for (size_t done = 0; done < k_file_bytes; done += chunk.size())
    f->write(chunk.data(), chunk.size(), abort_none());
}

template <size_t read_bytes>
void read_in_pieces(benchmark::State& state) {
  unsigned char buffer[read_bytes];
  for (auto _ : state) {
    file_ptr f = open_file(g_url, open_mode::read, abort_none());
    unsigned sum = 0;
    while (size_t got = f->read(buffer, read_bytes, abort_none())) sum += buffer[got - 1];
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * k_file_bytes));
}

void reference_one_large_read(benchmark::State& state) {
  std::vector<unsigned char> buffer(k_file_bytes);
  for (auto _ : state) {
    file_ptr f = open_file(g_url, open_mode::read, abort_none());
    f->read_exact(buffer.data(), buffer.size(), abort_none());
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * k_file_bytes));
}

BENCHMARK(reference_one_large_read)->Unit(benchmark::kMillisecond);
BENCHMARK(read_in_pieces<4>)->Name("buffered_reads_of_4_bytes")->Unit(benchmark::kMillisecond);
BENCHMARK(read_in_pieces<4096>)
    ->Name("buffered_reads_of_4096_bytes")
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  create_test_file();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  find_file_system(g_url).remove(g_url);
  return 0;
}
