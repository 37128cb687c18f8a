#include "core/case_map.h"

#include <locale.h>
#include <wctype.h>

namespace lumo::detail {

namespace {

// towlower/towupper map only ASCII in the "C" locale the program starts in. A private
// "C.UTF-8" locale object gives the full Unicode mapping without changing the process
// locale (which would reach every other library's number and text handling).
locale_t case_locale() {
  static const locale_t locale = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    if (!l) l = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", locale_t{});
    return l;  // null: no Unicode locale installed; non-ASCII then maps to itself
  }();
  return locale;
}

// wchar_t is 32-bit here, so every code point fits.
char32_t map(char32_t c, wint_t (*fn)(wint_t, locale_t)) {
  locale_t l = case_locale();
  if (!l || c > 0x10FFFF) return c;
  return static_cast<char32_t>(fn(static_cast<wint_t>(c), l));
}

}  // namespace

char32_t platform_char_to_lower(char32_t c) {
  return map(c, towlower_l);
}
char32_t platform_char_to_upper(char32_t c) {
  return map(c, towupper_l);
}

}  // namespace lumo::detail
