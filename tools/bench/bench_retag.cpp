// Retagging a 10 MB MP3 through the MPEG info writer: a small edit that fits the
// padding (written in place) and an edit that outgrows it (the whole file rewritten), against
// one plain copy of the file (the reference: a rewrite should cost about one copy).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fs/file_system.h"
#include "input/album_art.h"
#include "input/input_open.h"
#include "meta/track_info_mutable.h"

namespace {

using namespace lumo;

constexpr size_t k_file_bytes = 10u << 20;
std::string g_url;
std::string g_copy_url;

// One 128 kbps 44.1 kHz frame (silence) repeated: real MPEG frames, as a decoder sees them.
void create_test_file() {
  const char* dir = std::getenv("TMPDIR");
  const std::string base = "file://" + std::string(dir && *dir ? dir : "/tmp");
  g_url = base + "/lumo-bench-retag.mp3";
  g_copy_url = base + "/lumo-bench-retag-copy.mp3";
  std::vector<unsigned char> frame(417, 0);
  frame[0] = 0xFF;
  frame[1] = 0xFB;
  frame[2] = 0x90;
  frame[3] = 0x64;
  std::vector<unsigned char> block;
  while (block.size() + frame.size() <= (1u << 20))
    block.insert(block.end(), frame.begin(), frame.end());
  file_ptr f = open_file(g_url, open_mode::write_new, abort_none());
  for (size_t done = 0; done < k_file_bytes; done += block.size())
    f->write(block.data(), block.size(), abort_none());
}

void retag(const std::string& title, std::vector<uint8_t> picture) {
  auto writer = open_input_info_writer(g_url, nullptr, abort_none());
  track_info_mutable info;
  writer->get_info(0, info, abort_none());
  info.meta_set("title", title);
  dynamic_cast<album_art_editor&>(*writer).set_album_art(album_art_kind::front_cover,
                                                         std::move(picture));
  writer->set_info(0, info, abort_none());
}

void reference_copy_file(benchmark::State& state) {
  if (g_url.empty()) create_test_file();
  std::vector<unsigned char> buffer(1u << 20);
  for (auto _ : state) {
    file_ptr from = open_file(g_url, open_mode::read, abort_none());
    file_ptr to = open_file(g_copy_url, open_mode::write_new, abort_none());
    while (size_t got = from->read(buffer.data(), buffer.size(), abort_none()))
      to->write(buffer.data(), got, abort_none());
  }
  find_file_system(g_copy_url).remove(g_copy_url);
}

void retag_in_place(benchmark::State& state) {
  if (g_url.empty()) create_test_file();
  retag("first", {});
  int n = 0;
  for (auto _ : state) retag("title " + std::to_string(++n % 10), {});
}

// Every write adds or removes a 64 KiB picture: the tag outgrows or leaves the padding.
void retag_rewrite(benchmark::State& state) {
  if (g_url.empty()) create_test_file();
  std::vector<uint8_t> picture(64 << 10, 0x55);
  picture[0] = 0xFF;
  picture[1] = 0xD8;
  bool with = false;
  for (auto _ : state) {
    with = !with;
    retag("rewrite", with ? picture : std::vector<uint8_t>{});
  }
}

BENCHMARK(reference_copy_file)->Unit(benchmark::kMillisecond);
BENCHMARK(retag_in_place)->Unit(benchmark::kMillisecond);
BENCHMARK(retag_rewrite)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (!g_url.empty()) find_file_system(g_url).remove(g_url);
  return 0;
}
