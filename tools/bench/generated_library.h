#pragma once
// A generated library folder for the library benchmarks: artist/album/track files with
// realistic summaries, 12 tracks an album, 2000 artists and 40 genres in rotation.

#include <memory>
#include <string>

#include "library/library_database.h"

namespace lumo::bench {

inline std::unique_ptr<directory_node> generated_library_tree(int tracks,
                                                              const std::string& folder_url) {
  constexpr int per_album = 12;
  auto root = std::make_unique<directory_node>();
  for (int i = 0; i < tracks; ++i) {
    const int album = i / per_album;
    const std::string artist_name = "Artist " + std::to_string(album % 2000);
    const std::string album_name = "Album number " + std::to_string(album);
    auto& artist_node = root->dirs[artist_name];
    if (!artist_node) artist_node = std::make_unique<directory_node>();
    auto& album_node = artist_node->dirs[album_name];
    if (!album_node) album_node = std::make_unique<directory_node>();
    const std::string file =
        std::to_string(i % per_album + 1) + " - Song title " + std::to_string(i) + ".mp3";
    file_entry& e = album_node->files[file];
    e.stamp = 133000000000000000ull + static_cast<uint64_t>(i);
    auto s = std::make_shared<track_summary>();
    s->length = 200.5f;
    s->set_column(summary_column::title, "Song title " + std::to_string(i));
    s->set_column(summary_column::artist, artist_name);
    s->set_column(summary_column::album, album_name);
    s->set_column(summary_column::genre, "Genre " + std::to_string(album % 40));
    s->set_column(summary_column::tracknumber, std::to_string(i % per_album + 1));
    s->set_column(summary_column::date, std::to_string(1960 + album % 60));
    auto h = get_track_handle({folder_url + "/" + artist_name + "/" + album_name + "/" + file, 0});
    h->set_summary(s, e.stamp);
    e.handles.push_back(std::move(h));
  }
  return root;
}

}  // namespace lumo::bench
