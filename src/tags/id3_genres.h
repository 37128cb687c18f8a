#pragma once
// The ID3v1 genre list (with the Winamp extensions): 148 names, spelled as that list
// spells them ("Psychadelic", "Bebob", ...). ID3v2 genre frames refer by number only to
// the first 126 of them.

#include <cstddef>
#include <optional>
#include <string_view>

namespace lumo::id3 {

inline constexpr size_t id3v1_genre_count = 148;
inline constexpr size_t id3v2_numeric_genre_count = 126;

// The name of genre index, or nullopt at id3v1_genre_count and above.
std::optional<std::string_view> id3v1_genre_name(size_t index);
// The index of the name (ASCII letters compared ignoring case), or nullopt.
std::optional<size_t> id3v1_genre_index(std::string_view name);

}  // namespace lumo::id3
