#pragma once
// The library's compact per-track record as title formatting needs it: the length and
// eight text columns, each possibly holding several values joined by "; ". Kept minimal
// here; the library owns the full record.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace lumo {

enum class summary_column : size_t {
  title,
  artist,
  album_artist,
  genre,
  album,
  tracknumber,
  discnumber,
  date,
};

inline constexpr size_t summary_column_count = 8;

// Column names in index order, as scripts and tags spell them.
inline constexpr std::array<std::string_view, summary_column_count> summary_column_names = {
    "Title", "Artist", "Album Artist", "Genre", "Album", "TrackNumber", "DiscNumber", "Date"};

struct track_summary {
  double length = 0;  // seconds
  std::array<std::string, summary_column_count> columns;

  const std::string& column(summary_column c) const { return columns[size_t(c)]; }
  std::string& column(summary_column c) { return columns[size_t(c)]; }
};

}  // namespace lumo
