#include "tags/tag_picture.h"

#include <cstring>

namespace lumo {

uint8_t id3v2_picture_type(album_art_kind kind) {
  switch (kind) {
    case album_art_kind::front_cover: return 3;
    case album_art_kind::back_cover: return 4;
    case album_art_kind::disc: return 6;
    case album_art_kind::artist: return 8;
  }
  return 0;
}

std::optional<album_art_kind> album_art_kind_of_id3v2_type(uint8_t type) {
  switch (type) {
    case 3: return album_art_kind::front_cover;
    case 4: return album_art_kind::back_cover;
    case 6: return album_art_kind::disc;
    case 8: return album_art_kind::artist;
    default: return std::nullopt;
  }
}

std::string_view image_mime_type(std::span<const uint8_t> data) {
  auto starts = [&](std::string_view magic) {
    return data.size() >= magic.size() && std::memcmp(data.data(), magic.data(), magic.size()) == 0;
  };
  if (starts("\x89PNG\r\n\x1A\n")) return "image/png";
  if (starts("\xFF\xD8")) return "image/jpeg";
  if (starts("GIF8")) return "image/gif";
  if (starts("BM")) return "image/bmp";
  return "image/x-unknown";
}

std::string_view album_art_kind_name(album_art_kind kind) {
  switch (kind) {
    case album_art_kind::front_cover: return "front";
    case album_art_kind::back_cover: return "back";
    case album_art_kind::disc: return "disc";
    case album_art_kind::artist: return "artist";
  }
  return "front";
}

std::optional<album_art_kind> album_art_kind_from_name(std::string_view name) {
  for (auto kind : {album_art_kind::front_cover, album_art_kind::back_cover, album_art_kind::disc,
                    album_art_kind::artist})
    if (album_art_kind_name(kind) == name) return kind;
  return std::nullopt;
}

}  // namespace lumo
