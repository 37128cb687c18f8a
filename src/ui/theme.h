#pragma once
// The four colour sets of the main window and the setting that picks one. Colours are
// GDI COLORREF values (0x00BBGGRR) so the window hands them to GDI unchanged.

#include <array>
#include <cstdint>
#include <string_view>

#include "core/guid.h"

namespace lumo {

using colour = uint32_t;  // 0x00BBGGRR

struct colour_set {
  colour text;
  colour link;
  colour background;
  colour highlight;  // the entry under the pointer and the selection
};

enum class theme_kind { classic, black, white, graphite };

struct theme_entry {
  theme_kind kind;
  guid id;
  std::string_view label_id;  // language id of the menu text
};

// In menu order.
extern const std::array<theme_entry, 4> all_themes;

// Any identifier other than the three fixed dark/light ones selects the classic set.
theme_kind theme_from_guid(const guid& id);
const guid& theme_guid(theme_kind kind);

// What the classic set borrows from the system.
struct system_colours {
  colour window_text;  // COLOR_WINDOWTEXT
  colour window;       // COLOR_WINDOW
  colour highlight;    // COLOR_HIGHLIGHT
};

colour_set colours_for(theme_kind kind, const system_colours& system);

// Windows' MulDiv: a * b / c in 64 bits, rounded half away from zero; -1 when c is 0
// or the result does not fit 32 bits.
int32_t mul_div(int32_t a, int32_t b, int32_t c);

// Channel by channel, highlight + MulDiv(window - highlight, 50, 100).
colour classic_highlight(colour highlight, colour window);

// The theme setting (classic unless changed). Main thread.
theme_kind current_theme();
void set_current_theme(theme_kind kind);

}  // namespace lumo
