#include "input/pcm/text_fields.h"

#include <algorithm>

namespace lumo::pcm {

namespace {

bool is_valid_utf8(const uint8_t* p, size_t n) {
  size_t i = 0;
  while (i < n) {
    const uint8_t c = p[i];
    size_t follow;
    uint32_t min;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      follow = 1, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      follow = 2, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      follow = 3, min = 0x10000;
    } else {
      return false;
    }
    if (n - i <= follow) return false;
    uint32_t cp = c & (0x3F >> follow);
    for (size_t k = 1; k <= follow; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = cp << 6 | (p[i + k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += follow + 1;
  }
  return true;
}

}  // namespace

std::string chunk_text(const uint8_t* bytes, size_t size) {
  size = static_cast<size_t>(std::find(bytes, bytes + size, 0) - bytes);
  while (size && bytes[size - 1] == ' ') --size;
  if (is_valid_utf8(bytes, size)) return std::string(reinterpret_cast<const char*>(bytes), size);
  std::string out;
  out.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    const uint8_t c = bytes[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace lumo::pcm
