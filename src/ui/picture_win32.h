#pragma once
// GDI+ for the window: the session, button glyphs from the PNG resources, album pictures
// decoded from memory, and drawing them scaled with good quality. Win32 only.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/theme.h"

namespace Gdiplus {
class Bitmap;
}

namespace lumo {

// Starts GDI+ on first use; ends with the process.
void ensure_gdiplus();

struct bitmap_deleter {
  void operator()(Gdiplus::Bitmap* b) const;
};
using bitmap_ptr = std::unique_ptr<Gdiplus::Bitmap, bitmap_deleter>;

// Throws "Gdiplus error (N)" when GDI+ cannot decode the bytes.
bitmap_ptr decode_picture(const std::vector<uint8_t>& bytes);

// The glyph resource nearest above the size (base id + size index), or null.
Gdiplus::Bitmap* button_glyph(int base_id, int size_px);

// Draws a white glyph tinted to the colour, scaled into the square at (x, y).
void draw_glyph(HDC dc, Gdiplus::Bitmap* glyph, int x, int y, int size_px, colour tint,
                float opacity);

// Draws the picture scaled to fit the rectangle, keeping its proportions, centred.
void draw_picture(HDC dc, Gdiplus::Bitmap* picture, const RECT& box);

}  // namespace lumo
