#include "playback/sample_convert.h"

#include <cmath>
#include <cstring>

namespace lumo {
namespace {

// Scales, rounds to nearest and clips to [lo, hi]; NaN becomes 0.
inline int32_t to_int(float v, float scale, int32_t lo, int32_t hi) {
  float s = v * scale;
  if (!(s >= static_cast<float>(lo))) return s != s ? 0 : lo;
  if (s >= static_cast<float>(hi)) return hi;
  return static_cast<int32_t>(std::lrintf(s));
}

}  // namespace

void convert_samples(const float* in, size_t count, device_sample_format format, uint8_t* out) {
  if (format.is_float) {
    std::memcpy(out, in, count * sizeof(float));
    return;
  }
  switch (format.bits) {
    case 8:
      for (size_t i = 0; i < count; ++i)
        out[i] = static_cast<uint8_t>(to_int(in[i], 128.0f, -128, 127) + 128);
      break;
    case 16:
      for (size_t i = 0; i < count; ++i) {
        int16_t v = static_cast<int16_t>(to_int(in[i], 32768.0f, -32768, 32767));
        std::memcpy(out + 2 * i, &v, 2);
      }
      break;
    case 24:
      for (size_t i = 0; i < count; ++i) {
        int32_t v = to_int(in[i], 8388608.0f, -8388608, 8388607);
        out[3 * i] = static_cast<uint8_t>(v);
        out[3 * i + 1] = static_cast<uint8_t>(v >> 8);
        out[3 * i + 2] = static_cast<uint8_t>(v >> 16);
      }
      break;
    default:
      for (size_t i = 0; i < count; ++i) {
        // Done in double: a float cannot hold 2^31 - 1.
        double s = static_cast<double>(in[i]) * 2147483648.0;
        int32_t v = !(s == s)            ? 0
                    : s >= 2147483647.0  ? INT32_MAX
                    : s <= -2147483648.0 ? INT32_MIN
                                         : static_cast<int32_t>(std::lrint(s));
        std::memcpy(out + 4 * i, &v, 4);
      }
      break;
  }
}

void fill_silence(uint8_t* out, size_t bytes, device_sample_format format) {
  std::memset(out, !format.is_float && format.bits == 8 ? 0x80 : 0, bytes);
}

}  // namespace lumo
