#pragma once
// Where the parts of the main window go. The window is laid out in dialog units (the
// design is 340 x 200 of them) and mapped to pixels with the font's base units, so it
// scales with the font and the monitor's DPI. The list and the separator grow with the
// window; the full-screen and menu buttons stay at the right edge, and the text lines
// stretch to whatever room is left.

#include <array>
#include <cstddef>

namespace lumo {

enum class window_part : size_t {
  play_pause,
  volume,
  rewind,
  fast_forward,
  repeat,
  now_playing_1,
  now_playing_2,
  full_screen,
  menu,
  separator,
  back,
  forward,
  play,
  navigation_bar,
  view_title,
  list,
  indexing_notice,
  picture,  // the album picture, left of the full-screen button when shown
};
inline constexpr size_t window_part_count = 18;

struct pixel_rect {
  int x = 0, y = 0, width = 0, height = 0;
  int right() const { return x + width; }
  int bottom() const { return y + height; }
  bool contains(int px, int py) const {
    return px >= x && py >= y && px < x + width && py < y + height;
  }
  friend bool operator==(const pixel_rect&, const pixel_rect&) = default;
};

// The font's dialog base units: average character width and character height in pixels.
struct dialog_base_units {
  int x = 6;
  int y = 13;
};

inline constexpr int design_width_dlu = 340;
inline constexpr int design_height_dlu = 200;

// MapDialogRect's arithmetic.
int dlu_to_pixels_x(int dlu, const dialog_base_units& base);
int dlu_to_pixels_y(int dlu, const dialog_base_units& base);

struct main_layout {
  std::array<pixel_rect, window_part_count> parts;
  const pixel_rect& operator[](window_part p) const { return parts[size_t(p)]; }
};

// For a client area of that size; it never lays out smaller than the design size, so a
// window squeezed below it clips rather than overlapping its parts.
main_layout layout_main_window(const dialog_base_units& base, int client_width, int client_height,
                               bool show_picture);

}  // namespace lumo
