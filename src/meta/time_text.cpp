#include "meta/time_text.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace lumo {
namespace {

// Rounds to the nearest whole unit; negative, NaN and absurd values become 0 so that a
// damaged length never shows as garbage.
uint64_t round_units(double value) {
  if (!(value > 0)) return 0;
  if (value >= 1e18) return uint64_t(1e18);
  return uint64_t(std::llround(value));
}

std::string format_whole(uint64_t seconds) {
  uint64_t w = seconds / 604800;
  uint64_t d = (seconds / 86400) % 7;
  uint64_t h = (seconds / 3600) % 24;
  uint64_t m = (seconds / 60) % 60;
  uint64_t s = seconds % 60;
  std::string text;
  char buffer[64];
  if (w > 0) {
    std::snprintf(buffer, sizeof buffer,
                  "%llu"
                  "wk ",
                  static_cast<unsigned long long>(w));
    text += buffer;
  }
  if (d > 0 || w > 0) {
    std::snprintf(buffer, sizeof buffer, "%llud ", static_cast<unsigned long long>(d));
    text += buffer;
  }
  if (w > 0 || d > 0 || h > 0)
    std::snprintf(buffer, sizeof buffer, "%llu:%02llu:%02llu", static_cast<unsigned long long>(h),
                  static_cast<unsigned long long>(m), static_cast<unsigned long long>(s));
  else
    std::snprintf(buffer, sizeof buffer, "%llu:%02llu", static_cast<unsigned long long>(m),
                  static_cast<unsigned long long>(s));
  text += buffer;
  return text;
}

}  // namespace

std::string format_time_text(double seconds) {
  return format_whole(round_units(seconds));
}

std::string format_time_text_ms(double seconds) {
  uint64_t ms = round_units(seconds * 1000.0);
  std::string text = format_whole(ms / 1000);
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, ".%03u", static_cast<unsigned>(ms % 1000));
  return text + buffer;
}

}  // namespace lumo
