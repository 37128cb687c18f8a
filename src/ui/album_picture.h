#pragma once
// Which picture shows an album: one embedded in the track, else a picture file beside it.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/abort.h"

namespace lumo {

// Tried in this order in the track's folder.
inline constexpr std::array<std::string_view, 4> album_picture_file_names{
    "front cover.jpg", "front.jpg", "cover.jpg", "folder.jpg"};

// The first name the predicate finds, or none.
std::optional<std::string> choose_album_picture_file(
    const std::function<bool(std::string_view name)>& exists);

// The picture file for a track at this URL through the file system layer, or none.
std::optional<std::string> find_album_picture_file(std::string_view track_url);

// Pictures beyond this are not album art; they are left alone.
inline constexpr uint64_t album_picture_max_bytes = 32u << 20;

// The bytes of the track's picture: its embedded front cover through the input
// framework's album-art reader, else the first picture file beside it; none when neither
// exists. Failures other than "no picture here" (a damaged tag, an unreadable file) go
// to report and the next source is tried.
std::optional<std::vector<uint8_t>> read_album_picture(
    std::string_view track_url, const abort_signal& abort,
    const std::function<void(const std::string& problem)>& report = {});

}  // namespace lumo
