#include "meta/title_format_text.h"

#include "core/case_map.h"
#include "core/unicode.h"

namespace lumo {

// Characters beyond the Basic Multilingual Plane keep their case: the platform mapping
// works on single UTF-16 units.
char32_t title_format_char_upper(char32_t c) {
  return c < 0x10000 ? char_to_upper(c) : c;
}

char32_t title_format_char_lower(char32_t c) {
  return c < 0x10000 ? char_to_lower(c) : c;
}

std::string title_format_text_upper(std::string_view text) {
  return utf8_to_upper(text);
}

std::string title_format_text_lower(std::string_view text) {
  return utf8_to_lower(text);
}

bool text_equal_ignoring_case(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[j]);
    if (ca < 0x80 && cb < 0x80) {
      if (ascii_to_lower(char(ca)) != ascii_to_lower(char(cb))) return false;
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
