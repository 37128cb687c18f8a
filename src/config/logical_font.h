#pragma once
// A font description with the fields and byte layout of the Win32 LOGFONTW record
// (92 bytes, little-endian), so the Windows build hands it to CreateFontIndirectW as is
// while portable code can still load, compare and save it.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace lumo {

struct logical_font {
  int32_t height = 0;
  int32_t width = 0;
  int32_t escapement = 0;
  int32_t orientation = 0;
  int32_t weight = 0;
  uint8_t italic = 0;
  uint8_t underline = 0;
  uint8_t strike_out = 0;
  uint8_t char_set = 0;
  uint8_t out_precision = 0;
  uint8_t clip_precision = 0;
  uint8_t quality = 0;
  uint8_t pitch_and_family = 0;
  std::array<char16_t, 32> face_name{};  // zero-terminated UTF-16
  friend bool operator==(const logical_font&, const logical_font&) = default;
};

inline constexpr size_t logical_font_size_bytes = 92;

void put_logical_font(std::vector<uint8_t>& out, const logical_font& font);
// bytes must hold logical_font_size_bytes.
logical_font get_logical_font(std::span<const uint8_t, logical_font_size_bytes> bytes);

// The themed menu font, else the default GUI font (platform seam; natively a fixed
// 9-point sans-serif description).
logical_font default_logical_font();

}  // namespace lumo
