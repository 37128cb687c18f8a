#pragma once
// The comparisons every handler uses to claim a file by extension or MIME type.

#include <initializer_list>
#include <string_view>

namespace lumo {

// The extension of path's last component ("\", "/", "|" or ":" separate components):
// the text after its last ".", ending before a "?" that follows the dot. Empty for a
// component without a dot and for extensions of 32 characters or more.
std::string_view extension_of(std::string_view path);

// ASCII case-insensitive comparison against each extension (given without a dot).
bool extension_matches(std::string_view extension, std::initializer_list<std::string_view> list);

// Compares the part of type before the first ";", trailing spaces removed, ASCII
// case-insensitively against each entry.
bool content_type_matches(std::string_view type, std::initializer_list<std::string_view> list);

// Whole-string, case-sensitive comparison (handlers whose types must match exactly).
bool content_type_matches_exact(std::string_view type,
                                std::initializer_list<std::string_view> list);

}  // namespace lumo
