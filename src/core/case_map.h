#pragma once
// Letter case of Unicode text. ASCII goes through a fixed table, so the common case costs
// no call and never depends on a locale; other characters take their simple (one code
// point to one code point) Unicode mapping from the platform: CharLowerW/CharUpperW on
// Windows, the C library's wide-character mapping natively.

#include <array>
#include <string>
#include <string_view>

namespace lumo {

namespace detail {
constexpr std::array<unsigned char, 128> make_ascii_lower_table() {
  std::array<unsigned char, 128> table{};
  for (int c = 0; c < 128; ++c) {
    table[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
  }
  return table;
}
inline constexpr std::array<unsigned char, 128> ascii_lower_table = make_ascii_lower_table();

// The platform primitives (case_map_win32.cpp / case_map_posix.cpp). Called only for
// code points above U+007F; they return the input when it has no mapping.
char32_t platform_char_to_lower(char32_t c);
char32_t platform_char_to_upper(char32_t c);
}  // namespace detail

// A-Z to a-z; every other byte, including UTF-8 lead and continuation bytes, unchanged.
constexpr char ascii_to_lower(char c) {
  auto u = static_cast<unsigned char>(c);
  return u < 128 ? static_cast<char>(detail::ascii_lower_table[u]) : c;
}

// Equality with ASCII letters folded; other bytes must match exactly.
constexpr bool ascii_equal_nocase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (ascii_to_lower(a[i]) != ascii_to_lower(b[i])) return false;
  return true;
}

// The Unicode simple lower / upper case of one code point.
char32_t char_to_lower(char32_t c);
char32_t char_to_upper(char32_t c);

// Whole UTF-8 texts, code point by code point. Invalid sequences become U+FFFD (as in
// core/unicode.h); the result may differ in byte length from the input.
std::string utf8_to_lower(std::string_view text);
std::string utf8_to_upper(std::string_view text);

}  // namespace lumo
