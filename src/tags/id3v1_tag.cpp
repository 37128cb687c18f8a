#include "tags/id3v1_tag.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

#include "tags/id3_genres.h"
#include "tags/id3v2_text.h"

namespace lumo::id3 {

namespace {

// A text field: up to its first zero byte, trailing spaces (the usual padding) cut.
std::string field_text(std::span<const uint8_t> bytes) {
  size_t n = 0;
  while (n < bytes.size() && bytes[n] != 0) ++n;
  while (n > 0 && bytes[n - 1] == ' ') --n;
  return latin1_to_utf8(bytes.first(n));
}

void put_text(std::array<uint8_t, id3v1_tag_bytes>& tag, size_t offset, size_t width,
              std::string_view utf8) {
  std::string text = utf8_to_latin1(utf8);
  std::memcpy(tag.data() + offset, text.data(), std::min(width, text.size()));
}

}  // namespace

bool is_id3v1_tag(std::span<const uint8_t> bytes) {
  return bytes.size() >= id3v1_tag_bytes && bytes[0] == 'T' && bytes[1] == 'A' && bytes[2] == 'G';
}

bool read_id3v1(std::span<const uint8_t> bytes, track_info_mutable& out) {
  if (!is_id3v1_tag(bytes)) return false;
  auto add = [&](std::string_view name, const std::string& value) {
    if (!value.empty()) out.meta_add_value(name, value);
  };
  const bool is_v11 = bytes[125] == 0 && bytes[126] != 0;
  add(meta_names::title, field_text(bytes.subspan(3, 30)));
  add(meta_names::artist, field_text(bytes.subspan(33, 30)));
  add(meta_names::album, field_text(bytes.subspan(63, 30)));
  add(meta_names::date, field_text(bytes.subspan(93, 4)));
  add(meta_names::comment, field_text(bytes.subspan(97, is_v11 ? 28 : 30)));
  if (is_v11) add(meta_names::tracknumber, std::to_string(bytes[126]));
  if (auto genre = id3v1_genre_name(bytes[127])) add(meta_names::genre, std::string(*genre));
  return true;
}

std::array<uint8_t, id3v1_tag_bytes> build_id3v1(const track_info& info) {
  std::array<uint8_t, id3v1_tag_bytes> tag{};
  std::memcpy(tag.data(), "TAG", 3);
  auto value = [&](std::string_view name) { return info.meta_find_value(name).value_or(""); };
  put_text(tag, 3, 30, value(meta_names::title));
  put_text(tag, 33, 30, value(meta_names::artist));
  put_text(tag, 63, 30, value(meta_names::album));
  put_text(tag, 93, 4, value(meta_names::date));
  std::string_view track_text = value(meta_names::tracknumber);
  unsigned track = 0;
  auto parsed = std::from_chars(track_text.data(), track_text.data() + track_text.size(), track);
  const bool has_track = parsed.ec == std::errc() && track >= 1 && track <= 127;
  put_text(tag, 97, has_track ? 28 : 30, value(meta_names::comment));
  if (has_track) {
    tag[125] = 0;
    tag[126] = static_cast<uint8_t>(track);
  }
  auto genre = id3v1_genre_index(value(meta_names::genre));
  tag[127] = genre ? static_cast<uint8_t>(*genre) : 255;
  return tag;
}

}  // namespace lumo::id3
