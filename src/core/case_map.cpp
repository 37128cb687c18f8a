#include "core/case_map.h"

#include "core/unicode.h"

namespace lumo {

namespace {

constexpr char32_t ascii_to_upper(char32_t c) {
  return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
}

template <char32_t (*map)(char32_t)>
std::string map_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
      utf8_append(out, map(byte));
      ++pos;
    } else {
      utf8_append(out, map(utf8_next(text, pos)));
    }
  }
  return out;
}

}  // namespace

char32_t char_to_lower(char32_t c) {
  return c < 0x80 ? detail::ascii_lower_table[c] : detail::platform_char_to_lower(c);
}

char32_t char_to_upper(char32_t c) {
  return c < 0x80 ? ascii_to_upper(c) : detail::platform_char_to_upper(c);
}

std::string utf8_to_lower(std::string_view text) {
  return map_utf8<char_to_lower>(text);
}
std::string utf8_to_upper(std::string_view text) {
  return map_utf8<char_to_upper>(text);
}

}  // namespace lumo
