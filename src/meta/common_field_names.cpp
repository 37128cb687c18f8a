#include "meta/common_field_names.h"

#include <algorithm>
#include <array>

namespace lumo {

namespace {

using namespace std::string_view_literals;

// Sorted byte-wise (upper-case letters before lower-case ones).
constexpr std::array meta_table = {
    "ALBUM"sv,       "ALBUM ARTIST"sv, "ARTIST"sv,     "Album"sv,        "Album Artist"sv,
    "Artist"sv,      "COMMENT"sv,      "Comment"sv,    "DATE"sv,         "DISCNUMBER"sv,
    "Date"sv,        "Discnumber"sv,   "GENRE"sv,      "Genre"sv,        "TITLE"sv,
    "TOTALTRACKS"sv, "TRACKNUMBER"sv,  "Title"sv,      "TotalTracks"sv,  "Totaltracks"sv,
    "TrackNumber"sv, "Tracknumber"sv,  "album"sv,      "album artist"sv, "artist"sv,
    "comment"sv,     "date"sv,         "discnumber"sv, "genre"sv,        "title"sv,
    "totaltracks"sv, "tracknumber"sv,
};

constexpr std::array info_table = {
    "bitrate"sv,  "bitspersample"sv, "channels"sv, "codec"sv, "codec_profile"sv,
    "encoding"sv, "samplerate"sv,    "tagtype"sv,  "tool"sv,
};

static_assert(std::ranges::is_sorted(meta_table));
static_assert(std::ranges::is_sorted(info_table));

}  // namespace

std::span<const std::string_view> common_meta_names() {
  return meta_table;
}
std::span<const std::string_view> common_info_names() {
  return info_table;
}

// Names are short and usually differ in their first byte, so an inline byte loop beats
// a call to memcmp per probe (packing spends most of its time here otherwise).
std::optional<size_t> find_common_name(std::span<const std::string_view> table,
                                       std::string_view name) {
  auto compare = [](std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
      auto ca = static_cast<unsigned char>(a[i]);
      auto cb = static_cast<unsigned char>(b[i]);
      if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
  };
  size_t low = 0;
  size_t high = table.size();
  while (low < high) {
    size_t mid = low + (high - low) / 2;
    int c = compare(table[mid], name);
    if (c == 0) return mid;
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return std::nullopt;
}

}  // namespace lumo
