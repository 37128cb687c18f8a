#pragma once
// What the library keeps of each track's information: the length and eight text
// columns, each possibly holding several values joined by "; ". The library views group
// and sort by these columns; title formatting reads them through
// library_title_format_hook.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace lumo {

class track_info;

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
  float length = 0;  // seconds; the library file stores it as a 32-bit float
  std::array<std::string, summary_column_count> columns;

  const std::string& column(summary_column c) const { return columns[size_t(c)]; }
  std::string& column(summary_column c) { return columns[size_t(c)]; }

  friend bool operator==(const track_summary&, const track_summary&) = default;
};

// Builds the summary of a track: every column from the field of that name (values
// joined with "; "), except that a disc suffix of the first album value (", Disc 2",
// " (CD 02)", ...) moves into DiscNumber, and a track number such as "3/12" keeps its
// leading digits.
track_summary make_track_summary(const track_info& info);

// The disc folding rule on its own: true when album ends in a disc suffix, with the
// album in front of it (trailing spaces removed) and the disc number without leading
// zeros.
bool fold_disc_suffix(std::string_view album, std::string& album_out, std::string& disc_out);

}  // namespace lumo
