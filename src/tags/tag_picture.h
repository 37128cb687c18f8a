#pragma once
// Pictures stored in tags (album art): the kinds the program asks for, and one picture
// as a tag holds it.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

enum class album_art_kind { front_cover, back_cover, disc, artist };

struct tag_picture {
  uint8_t id3v2_type = 0;  // the APIC picture type (3 front cover, 4 back cover, ...)
  std::string mime_type;
  std::string description;  // UTF-8
  std::vector<uint8_t> data;
};

// One change to a file's pictures: data replaces every picture of that kind; empty data
// removes them.
struct picture_edit {
  album_art_kind kind = album_art_kind::front_cover;
  std::vector<uint8_t> data;
};

// The APIC picture type of a kind: front 3, back 4, disc (media) 6, artist 8.
uint8_t id3v2_picture_type(album_art_kind kind);
// The kind an APIC picture type stands for, or nullopt for types we have no kind for.
std::optional<album_art_kind> album_art_kind_of_id3v2_type(uint8_t type);

// The image format from the data's signature: "image/png", "image/jpeg", "image/gif",
// "image/bmp", else "image/x-unknown".
std::string_view image_mime_type(std::span<const uint8_t> data);

// "front", "back", "disc", "artist" and back (for command lines and JSON).
std::string_view album_art_kind_name(album_art_kind kind);
std::optional<album_art_kind> album_art_kind_from_name(std::string_view name);

}  // namespace lumo
