#include "config/logical_font.h"

#include <windows.h>
// The theme headers need the types of windows.h first.
#include <uxtheme.h>
#include <vssym32.h>

#include <cstring>

namespace lumo {

static_assert(sizeof(LOGFONTW) == logical_font_size_bytes);

logical_font default_logical_font() {
  LOGFONTW lf{};
  // GetThemeSysFont with no theme handle answers from the system metrics, so it works
  // with visual styles off as well.
  if (FAILED(GetThemeSysFont(nullptr, TMT_MENUFONT, &lf))) {
    lf = LOGFONTW{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  }
  std::vector<uint8_t> bytes(sizeof(lf));
  std::memcpy(bytes.data(), &lf, sizeof(lf));
  return get_logical_font(
      std::span<const uint8_t, logical_font_size_bytes>(bytes.data(), bytes.size()));
}

}  // namespace lumo
