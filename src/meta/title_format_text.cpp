#include "meta/title_format_text.h"

#include "core/unicode.h"

namespace lumo {

char32_t title_format_char_upper(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  return c;
}

char32_t title_format_char_lower(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  return c;
}

namespace {

template <typename Map>
std::string map_text(std::string_view text, Map map) {
  std::string result;
  result.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) utf8_append(result, map(utf8_next(text, pos)));
  return result;
}

}  // namespace

std::string title_format_text_upper(std::string_view text) {
  return map_text(text, title_format_char_upper);
}

std::string title_format_text_lower(std::string_view text) {
  return map_text(text, title_format_char_lower);
}

bool text_equal_ignoring_case(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[j]);
    if (ca < 0x80 && cb < 0x80) {
      if (title_format_char_lower(ca) != title_format_char_lower(cb)) return false;
      ++i;
      ++j;
      continue;
    }
    if (title_format_char_lower(utf8_next(a, i)) != title_format_char_lower(utf8_next(b, j)))
      return false;
  }
  return i == a.size() && j == b.size();
}

}  // namespace lumo
