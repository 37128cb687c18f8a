#pragma once
// Tracks for view tests: each owns its location and summary, as a library handle does.

#include <memory>
#include <string>
#include <vector>

#include "library/library_view_item.h"

namespace lumo::testing {

struct fake_track {
  track_location location;
  track_summary summary;
};

struct track_fields {
  std::string title, artist, album_artist, genre, album, tracknumber, discnumber, date;
};

inline library_view_item make_item(const track_fields& f, std::string path) {
  auto t = std::make_shared<fake_track>();
  t->location.path = std::move(path);
  t->summary.columns = {f.title, f.artist,      f.album_artist, f.genre,
                        f.album, f.tracknumber, f.discnumber,   f.date};
  t->summary.length = 180;
  return {t, &t->location, &t->summary};
}

inline std::vector<std::string> labels(const std::vector<library_view_entry>& entries) {
  std::vector<std::string> out;
  for (const auto& e : entries) out.push_back(e.label);
  return out;
}

}  // namespace lumo::testing
