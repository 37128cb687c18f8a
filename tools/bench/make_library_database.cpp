// Writes a database.dat holding one library folder of generated tracks (artist/album/track
// files with realistic summaries, as bench_library_load lays them out), for measuring a
// start with a big library. The files themselves do not exist: the library that loads it
// must not scan (monitoring off), or the first scan removes them again.
// usage: make_library_database OUTPUT [TRACKS] [FOLDER_KEY]   (key "." by default: the
// folder of a portable copy with its ".locallibrary.opt" marker)
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>

#include "core/abort.h"
#include "core/exceptions.h"
#include "fs/file_system.h"
#include "library/library_database.h"

namespace {

constexpr int per_album = 12;

std::unique_ptr<lumo::directory_node> make_tree(int tracks) {
  auto root = std::make_unique<lumo::directory_node>();
  for (int i = 0; i < tracks; ++i) {
    const int album = i / per_album;
    const std::string artist_name = "Artist " + std::to_string(album % 2000);
    const std::string album_name = "Album number " + std::to_string(album);
    auto& artist_node = root->dirs[artist_name];
    if (!artist_node) artist_node = std::make_unique<lumo::directory_node>();
    auto& album_node = artist_node->dirs[album_name];
    if (!album_node) album_node = std::make_unique<lumo::directory_node>();
    const std::string file =
        std::to_string(i % per_album + 1) + " - Song title " + std::to_string(i) + ".mp3";
    lumo::file_entry& e = album_node->files[file];
    e.stamp = 133000000000000000ull + static_cast<uint64_t>(i);
    auto s = std::make_shared<lumo::track_summary>();
    s->length = 200.5f;
    s->column(lumo::summary_column::title) = "Song title " + std::to_string(i);
    s->column(lumo::summary_column::artist) = artist_name;
    s->column(lumo::summary_column::album) = album_name;
    s->column(lumo::summary_column::genre) = "Genre " + std::to_string(album % 40);
    s->column(lumo::summary_column::tracknumber) = std::to_string(i % per_album + 1);
    s->column(lumo::summary_column::date) = std::to_string(1960 + album % 60);
    // The handle only carries the summary into the writer; its location is never used.
    auto h = lumo::get_track_handle({"file:///generated/" + std::to_string(i), 0});
    h->set_summary(s, e.stamp);
    e.handles.push_back(std::move(h));
  }
  return root;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: %s OUTPUT [TRACKS] [FOLDER_KEY]\n", argv[0]);
    return 2;
  }
  const int tracks = argc > 2 ? std::atoi(argv[2]) : 100000;
  const std::string key = argc > 3 ? argv[3] : ".";
  if (tracks < 0) {
    std::fprintf(stderr, "TRACKS must not be negative\n");
    return 2;
  }
  try {
    const std::unique_ptr<lumo::directory_node> root = make_tree(tracks);
    const std::string url = "file://" + std::filesystem::absolute(argv[1]).string();
    lumo::file_ptr out = lumo::open_file(url, lumo::open_mode::write_new, lumo::abort_none());
    lumo::write_database(*out, {{key, [&] { return lumo::encode_folder_state(*root); }}},
                         lumo::abort_none());
    std::printf("%d tracks under \"%s\" in %s\n", tracks, key.c_str(), argv[1]);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", kel::error_text(e).c_str());
    return 1;
  }
}
