#pragma once
// Which picture shows an album: one embedded in the track, else a picture file beside it.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace lumo {

// Tried in this order in the track's folder.
inline constexpr std::array<std::string_view, 4> album_picture_file_names{
    "front cover.jpg", "front.jpg", "cover.jpg", "folder.jpg"};

// The first name the predicate finds, or none.
std::optional<std::string> choose_album_picture_file(
    const std::function<bool(std::string_view name)>& exists);

// The picture file for a track at this URL through the file system layer, or none.
std::optional<std::string> find_album_picture_file(std::string_view track_url);

}  // namespace lumo
