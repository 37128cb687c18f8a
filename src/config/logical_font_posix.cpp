#include "config/logical_font.h"

namespace lumo {

logical_font default_logical_font() {
  // What the menu font usually is on Windows: 9 points at 96 dpi, regular weight.
  logical_font font;
  font.height = -12;
  font.weight = 400;
  const char16_t name[] = u"Segoe UI";
  for (size_t i = 0; i + 1 < sizeof(name) / sizeof(name[0]); ++i) font.face_name[i] = name[i];
  return font;
}

}  // namespace lumo
