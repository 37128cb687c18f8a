#include "ui/main_layout.h"

#include <algorithm>

#include "ui/theme.h"

namespace lumo {

namespace {

// Anchoring of one part when the window is wider or taller than the design.
enum anchor : unsigned {
  fixed = 0,
  move_right = 1,   // keeps its distance from the right edge
  grow_width = 2,   // keeps both edges' distances
  grow_height = 4,  // keeps the bottom edge's distance
  centre_in_list = 8,
};

struct dlu_part {
  int x, y, width, height;
  unsigned anchors;
};

constexpr std::array<dlu_part, window_part_count> g_parts{{
    {0, 0, 20, 20, fixed},                        // play/pause
    {21, 0, 20, 20, fixed},                       // volume
    {42, 0, 14, 10, fixed},                       // rewind
    {57, 0, 14, 10, fixed},                       // fast-forward
    {42, 10, 29, 10, fixed},                      // repeat
    {74, 2, 220, 8, grow_width},                  // now playing 1
    {74, 10, 220, 8, grow_width},                 // now playing 2
    {298, 0, 20, 20, move_right},                 // full screen
    {320, 0, 20, 20, move_right},                 // menu
    {2, 20, 336, 10, grow_width},                 // separator
    {0, 30, 20, 20, fixed},                       // back
    {21, 30, 20, 20, fixed},                      // forward
    {42, 30, 29, 20, fixed},                      // play
    {74, 31, 264, 10, grow_width},                // navigation bar
    {74, 41, 264, 9, grow_width},                 // view title
    {0, 51, 340, 149, grow_width | grow_height},  // list
    {80, 116, 180, 10, centre_in_list},           // indexing notice
    {276, 0, 20, 20, move_right},                 // picture
}};

}  // namespace

int dlu_to_pixels_x(int dlu, const dialog_base_units& base) {
  return mul_div(dlu, base.x, 4);
}

int dlu_to_pixels_y(int dlu, const dialog_base_units& base) {
  return mul_div(dlu, base.y, 8);
}

main_layout layout_main_window(const dialog_base_units& base, int client_width, int client_height,
                               bool show_picture) {
  const int design_w = dlu_to_pixels_x(design_width_dlu, base);
  const int design_h = dlu_to_pixels_y(design_height_dlu, base);
  const int extra_w = std::max(0, client_width - design_w);
  const int extra_h = std::max(0, client_height - design_h);

  main_layout out;
  for (size_t i = 0; i < window_part_count; ++i) {
    const dlu_part& d = g_parts[i];
    // Edges are mapped separately so that neighbouring parts never overlap by rounding.
    pixel_rect r;
    r.x = dlu_to_pixels_x(d.x, base);
    r.y = dlu_to_pixels_y(d.y, base);
    r.width = dlu_to_pixels_x(d.x + d.width, base) - r.x;
    r.height = dlu_to_pixels_y(d.y + d.height, base) - r.y;
    if (d.anchors & move_right) r.x += extra_w;
    if (d.anchors & grow_width) r.width += extra_w;
    if (d.anchors & grow_height) r.height += extra_h;
    out.parts[i] = r;
  }
  // The text lines of the top row stop before the picture, or before the buttons.
  pixel_rect& picture = out.parts[size_t(window_part::picture)];
  const int text_end = show_picture ? picture.x : out[window_part::full_screen].x;
  for (window_part p : {window_part::now_playing_1, window_part::now_playing_2}) {
    pixel_rect& r = out.parts[size_t(p)];
    r.width = std::max(0, text_end - dlu_to_pixels_x(2, base) - r.x);
  }
  if (!show_picture) picture = {};
  const pixel_rect& list = out[window_part::list];
  pixel_rect& notice = out.parts[size_t(window_part::indexing_notice)];
  notice.x = list.x + (list.width - notice.width) / 2;
  notice.y = list.y + (list.height - notice.height) / 2;
  return out;
}

}  // namespace lumo
