#pragma once
// What the library keeps of each track's information: the length and eight text
// columns, each possibly holding several values joined by "; ". The library views group
// and sort by these columns; title formatting reads them through
// library_title_format_hook.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumo {

class byte_cursor;
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

// The columns are kept packed, as the library file stores them: one string holding each
// column followed by a NUL (the blob), and where each column starts in it. A library of
// a hundred thousand tracks loads one allocation per summary for its texts instead of
// one per long column (dear under the Windows heap), and a summary takes about half the
// memory eight std::strings did. Since no column holds a NUL, equal blobs mean equal
// columns, and blobs order as their columns do one after the other (NUL sorts first).
class track_summary {
 public:
  float length = 0;  // seconds; the library file stores it as a 32-bit float

  // All columns empty (the blob of eight NULs fits the string's own buffer).
  track_summary();
  // Each column from its value, cut at a NUL as set_column does.
  track_summary(float length_seconds,
                const std::array<std::string_view, summary_column_count>& columns);

  // Takes the blob over as it stands after checking it is eight NUL-terminated strings
  // and nothing more; the failures are the data error at the cursor's offsets ("fewer
  // than eight strings", "text without its terminating zero", "bytes after the eighth
  // string"). Reads the cursor to its end.
  static track_summary from_blob(float length_seconds, byte_cursor& blob);

  std::string_view column(summary_column c) const {
    const size_t i = size_t(c);
    const size_t end = i + 1 < summary_column_count ? starts_[i + 1] - 1 : blob_.size() - 1;
    return std::string_view(blob_.data() + starts_[i], end - starts_[i]);
  }
  // Replaces one column, rebuilding the blob. A value holding a NUL keeps only what comes
  // before its first NUL (a column cannot hold one, and the library file always kept
  // that much). A blob past 4 GiB (the file's limit): kel::exception_overflow.
  void set_column(summary_column c, std::string_view value);

  // The eight columns, each followed by a NUL: what the library file stores.
  std::string_view blob() const { return blob_; }

  friend bool operator==(const track_summary& a, const track_summary& b) {
    return a.length == b.length && a.blob_ == b.blob_;
  }

 private:
  std::string blob_;
  std::array<uint32_t, summary_column_count> starts_;
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
