// Reading the tags of a folder of MP3 files: 3000 files with typical ID3v2.3 and ID3v2.4
// tags (title, artist, album, numbers, date, genre, comment, ReplayGain; a 30 KB cover on
// every fourth) and an ID3v1 tag on half of them, in files per second. The reference is
// TagLib reading the same files in the same run (MPEG::File without audio properties:
// ID3v2, APE and ID3v1, as ours), built in only when TagLib's development files are found.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/abort.h"
#include "fs/file_system.h"
#include "tags/file_tags.h"
#include "tags/id3v1_tag.h"
#include "tags/id3v2_fields.h"

#ifdef LUMO_HAVE_TAGLIB
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <taglib/tpropertymap.h>
#endif

namespace {

constexpr int file_count = 3000;

const std::vector<std::string>& bench_files() {
  static const std::vector<std::string> files = [] {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "lumo_bench_id3";
    fs::create_directories(folder);
    // Stand-in audio: a run of MPEG frame headers with silence, 40 KB (the readers touch
    // only both ends, and 3000 files of real length would fill the temporary folder).
    std::string audio;
    while (audio.size() < 40000)
      audio += std::string("\xFF\xFB\x90\x64", 4) + std::string(413, '\0');
    std::vector<std::string> paths;
    for (int i = 0; i < file_count; ++i) {
      const fs::path path = folder / ("song" + std::to_string(i) + ".mp3");
      paths.push_back(path.string());
      if (fs::exists(path)) continue;
      lumo::track_info_mutable info;
      info.meta_add_value("title", "Song number " + std::to_string(i));
      info.meta_add_value("artist", "Artist " + std::to_string(i % 97));
      info.meta_add_value("album", "Album " + std::to_string(i % 211));
      info.meta_add_value("album artist", "Artist " + std::to_string(i % 97));
      info.meta_add_value("tracknumber", std::to_string(i % 14 + 1));
      info.meta_add_value("totaltracks", "14");
      info.meta_add_value("date", "2001-05-" + std::to_string(i % 20 + 10));
      info.meta_add_value("genre", "Rock");
      info.meta_add_value("comment", "Ripped for the benchmark");
      info.meta_add_value("encoded by", "LAME 3.100");
      info.replaygain_set_from_text("replaygain_track_gain", "-6.5");
      info.replaygain_set_from_text("replaygain_track_peak", "0.98");
      std::vector<lumo::picture_edit> pictures;
      if (i % 4 == 0) {
        lumo::picture_edit cover;
        cover.data.assign(30000, 0x5A);
        cover.data[0] = 0xFF, cover.data[1] = 0xD8;
        pictures.push_back(cover);
      }
      lumo::id3::id3v2_tag old;
      old.major_version = i % 2 ? 3 : 4;
      auto tag = lumo::id3::build_id3v2_tag(&old, info, pictures);
      std::string bytes = lumo::id3::render_id3v2_tag(tag, 0, 1024).bytes + audio;
      if (i % 2 == 0) {
        auto v1 = lumo::id3::build_id3v1(info);
        bytes.append(reinterpret_cast<const char*>(v1.data()), v1.size());
      }
      std::ofstream(path, std::ios::binary)
          .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    return paths;
  }();
  return files;
}

void set_rate(benchmark::State& state) {
  state.counters["files_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * file_count, benchmark::Counter::kIsRate);
}

void lumo_tags(benchmark::State& state) {
  const auto& files = bench_files();
  for (auto _ : state) {
    size_t fields = 0;
    for (const auto& path : files) {
      auto f = lumo::open_file("file://" + path, lumo::open_mode::read, lumo::abort_none());
      lumo::track_info_mutable info;
      lumo::read_file_tags(*f, info, lumo::abort_none());
      fields += info.meta_count();
    }
    benchmark::DoNotOptimize(fields);
  }
  set_rate(state);
}
BENCHMARK(lumo_tags)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef LUMO_HAVE_TAGLIB
void reference_taglib_tags(benchmark::State& state) {
  const auto& files = bench_files();
  for (auto _ : state) {
    size_t fields = 0;
    for (const auto& path : files) {
      TagLib::MPEG::File f(path.c_str(), false);
      fields += f.properties().size();
    }
    benchmark::DoNotOptimize(fields);
  }
  set_rate(state);
}
BENCHMARK(reference_taglib_tags)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace

BENCHMARK_MAIN();
