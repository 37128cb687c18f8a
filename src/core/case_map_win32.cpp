#include "core/case_map.h"

#include <windows.h>

namespace lumo::detail {

namespace {

// CharLowerBuffW/CharUpperBuffW map in place and keep the length, so a character outside
// the Basic Multilingual Plane goes in as its surrogate pair and comes back as one.
char32_t map(char32_t c, DWORD(WINAPI* fn)(LPWSTR, DWORD)) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return c;
  wchar_t buf[2];
  DWORD units = 1;
  if (c < 0x10000) {
    buf[0] = static_cast<wchar_t>(c);
  } else {
    char32_t v = c - 0x10000;
    buf[0] = static_cast<wchar_t>(0xD800 + (v >> 10));
    buf[1] = static_cast<wchar_t>(0xDC00 + (v & 0x3FF));
    units = 2;
  }
  fn(buf, units);
  if (units == 1) return buf[0];
  if (buf[0] >= 0xD800 && buf[0] <= 0xDBFF && buf[1] >= 0xDC00 && buf[1] <= 0xDFFF) {
    return 0x10000 + ((char32_t(buf[0]) - 0xD800) << 10) + (char32_t(buf[1]) - 0xDC00);
  }
  return c;
}

}  // namespace

char32_t platform_char_to_lower(char32_t c) {
  return map(c, CharLowerBuffW);
}
char32_t platform_char_to_upper(char32_t c) {
  return map(c, CharUpperBuffW);
}

}  // namespace lumo::detail
