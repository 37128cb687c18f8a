#include "ui/picture_win32.h"

#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>

#include <array>
#include <map>
#include <string>

#include "core/exceptions.h"

namespace lumo {

namespace {

ULONG_PTR g_gdiplus_token = 0;

void check(Gdiplus::Status status) {
  if (status != Gdiplus::Ok)
    throw std::runtime_error("Gdiplus error (" + std::to_string(int(status)) + ")");
}

constexpr std::array<int, 6> g_glyph_sizes{16, 20, 24, 32, 40, 48};

bitmap_ptr bitmap_from_memory(const void* data, size_t size) {
  // SHCreateMemStream copies the bytes, so the stream outlives the caller's buffer.
  IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(data), UINT(size));
  if (!stream)
    throw std::runtime_error("Gdiplus error (" + std::to_string(int(Gdiplus::OutOfMemory)) + ")");
  bitmap_ptr bitmap(Gdiplus::Bitmap::FromStream(stream));
  stream->Release();
  if (!bitmap) check(Gdiplus::OutOfMemory);
  check(bitmap->GetLastStatus());
  return bitmap;
}

}  // namespace

void ensure_gdiplus() {
  if (g_gdiplus_token) return;
  Gdiplus::GdiplusStartupInput input;
  check(Gdiplus::GdiplusStartup(&g_gdiplus_token, &input, nullptr));
}

void bitmap_deleter::operator()(Gdiplus::Bitmap* b) const {
  delete b;
}

bitmap_ptr decode_picture(const std::vector<uint8_t>& bytes) {
  ensure_gdiplus();
  if (bytes.empty()) check(Gdiplus::InvalidParameter);
  return bitmap_from_memory(bytes.data(), bytes.size());
}

Gdiplus::Bitmap* button_glyph(int base_id, int size_px) {
  ensure_gdiplus();
  size_t index = 0;
  while (index + 1 < g_glyph_sizes.size() && g_glyph_sizes[index] < size_px) ++index;
  const int id = base_id + int(index);
  // Decoded once each; the program draws them for as long as it runs.
  static std::map<int, bitmap_ptr> cache;
  auto found = cache.find(id);
  if (found != cache.end()) return found->second.get();
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  HGLOBAL mem = res ? LoadResource(module, res) : nullptr;
  const void* data = mem ? LockResource(mem) : nullptr;
  if (!data) return nullptr;
  bitmap_ptr bitmap = bitmap_from_memory(data, SizeofResource(module, res));
  return cache.emplace(id, std::move(bitmap)).first->second.get();
}

void draw_glyph(HDC dc, Gdiplus::Bitmap* glyph, int x, int y, int size_px, colour tint,
                float opacity) {
  if (!glyph) return;
  Gdiplus::Graphics g(dc);
  g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  // White times this matrix is the tint; alpha is kept and scaled by the opacity.
  const float r = float(tint & 0xff) / 255.f, gr = float((tint >> 8) & 0xff) / 255.f,
              b = float((tint >> 16) & 0xff) / 255.f;
  Gdiplus::ColorMatrix m = {
      {{r, 0, 0, 0, 0}, {0, gr, 0, 0, 0}, {0, 0, b, 0, 0}, {0, 0, 0, opacity, 0}, {0, 0, 0, 0, 1}}};
  Gdiplus::ImageAttributes attributes;
  attributes.SetColorMatrix(&m);
  g.DrawImage(glyph, Gdiplus::Rect(x, y, size_px, size_px), 0, 0, int(glyph->GetWidth()),
              int(glyph->GetHeight()), Gdiplus::UnitPixel, &attributes);
}

void draw_picture(HDC dc, Gdiplus::Bitmap* picture, const RECT& box) {
  if (!picture) return;
  const int bw = box.right - box.left, bh = box.bottom - box.top;
  const int pw = int(picture->GetWidth()), ph = int(picture->GetHeight());
  if (bw <= 0 || bh <= 0 || pw <= 0 || ph <= 0) return;
  int w = bw, h = MulDiv(ph, bw, pw);
  if (h > bh) {
    h = bh;
    w = MulDiv(pw, bh, ph);
  }
  Gdiplus::Graphics g(dc);
  g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  g.DrawImage(picture, box.left + (bw - w) / 2, box.top + (bh - h) / 2, w, h);
}

}  // namespace lumo
