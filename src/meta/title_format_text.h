#pragma once
// Case mapping as title formatting uses it: ASCII by table, other characters below
// U+10000 through the platform's Unicode case mapping.

#include <string>
#include <string_view>

namespace lumo {

char32_t title_format_char_upper(char32_t c);
char32_t title_format_char_lower(char32_t c);

// Whole-text mapping for $upper and $lower.
std::string title_format_text_upper(std::string_view text);
std::string title_format_text_lower(std::string_view text);

// Equal character by character after lower-casing.
bool text_equal_ignoring_case(std::string_view a, std::string_view b);

}  // namespace lumo
