#pragma once
// Library tracks for view tests: real handles carrying the given summary.

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "library/library_view_model.h"

namespace lumo::testing {

struct track_fields {
  std::string title, artist, album_artist, genre, album, tracknumber, discnumber, date;
};

inline track_handle_ptr make_handle(const track_fields& f, std::string path) {
  auto summary =
      std::make_shared<track_summary>(180.0f, std::array<std::string_view, summary_column_count>{
                                                  f.title, f.artist, f.album_artist, f.genre,
                                                  f.album, f.tracknumber, f.discnumber, f.date});
  track_handle_ptr h = get_track_handle(track_location{std::move(path), 0});
  h->set_summary(std::move(summary), 1);
  return h;
}

inline library_view_item make_item(const track_fields& f, std::string path) {
  return make_view_item(make_handle(f, std::move(path)));
}

inline std::vector<std::string> labels(const std::vector<library_view_entry>& entries) {
  std::vector<std::string> out;
  for (const auto& e : entries) out.push_back(e.label);
  return out;
}

}  // namespace lumo::testing
