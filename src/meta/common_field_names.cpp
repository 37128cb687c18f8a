#include "meta/common_field_names.h"

#include <algorithm>
#include <array>

namespace lumo {

namespace {

using namespace std::string_view_literals;

// Sorted byte-wise (upper-case letters before lower-case ones).
constexpr std::array meta_table = {
    "ALBUM"sv,       "ALBUM ARTIST"sv, "ARTIST"sv,      "Album"sv,       "Album Artist"sv,
    "Artist"sv,      "COMMENT"sv,      "Comment"sv,     "DATE"sv,        "DISCNUMBER"sv,
    "Date"sv,        "Discnumber"sv,   "GENRE"sv,       "Genre"sv,       "TITLE"sv,
    "TOTALTRACKS"sv, "TRACKNUMBER"sv,  "Title"sv,       "TotalTracks"sv, "Totaltracks"sv,
    "TrackNumber"sv, "Tracknumber"sv,  "album"sv,       "album artist"sv, "artist"sv,
    "comment"sv,     "date"sv,         "discnumber"sv,  "genre"sv,       "title"sv,
    "totaltracks"sv, "tracknumber"sv,
};

constexpr std::array info_table = {
    "bitrate"sv, "bitspersample"sv, "channels"sv, "codec"sv,   "codec_profile"sv,
    "encoding"sv, "samplerate"sv,   "tagtype"sv,  "tool"sv,
};

static_assert(std::ranges::is_sorted(meta_table));
static_assert(std::ranges::is_sorted(info_table));

}  // namespace

std::span<const std::string_view> common_meta_names() { return meta_table; }
std::span<const std::string_view> common_info_names() { return info_table; }

std::optional<size_t> find_common_name(std::span<const std::string_view> table,
                                       std::string_view name) {
  auto it = std::ranges::lower_bound(table, name);
  if (it == table.end() || *it != name) return std::nullopt;
  return static_cast<size_t>(it - table.begin());
}

}  // namespace lumo
