#include "meta/field_name.h"

#include "core/case_map.h"
#include "core/unicode.h"

namespace lumo {

// Names are nearly always ASCII, so that loop runs on bytes through the table; the first
// non-ASCII byte on either side switches to code points, compared by their lower case.
// Lower-case forms may differ in UTF-8 length, so lengths can only be compared at the end.
bool field_name_equal(std::string_view a, std::string_view b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    auto ca = static_cast<unsigned char>(a[i]);
    auto cb = static_cast<unsigned char>(b[j]);
    if (ca < 0x80 && cb < 0x80) {
      if (detail::ascii_lower_table[ca] != detail::ascii_lower_table[cb]) return false;
      ++i;
      ++j;
      continue;
    }
    // Even when only one side is ASCII: a non-ASCII character may fold to ASCII
    // (U+212A KELVIN SIGN is "k").
    if (char_to_lower(utf8_next(a, i)) != char_to_lower(utf8_next(b, j))) return false;
  }
  return i == a.size() && j == b.size();
}

}  // namespace lumo
