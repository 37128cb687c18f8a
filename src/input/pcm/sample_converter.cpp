#include "input/pcm/sample_converter.h"

#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/exceptions.h"
#include "input/pcm_chunk.h"

namespace lumo::pcm {

namespace {

// G.711 expansion to 16-bit linear values (ITU-T G.711 section 3 decoding rules).
int16_t alaw_expand(uint8_t code) {
  code ^= 0x55;
  const int segment = (code >> 4) & 7;
  int value = (code & 0x0F) << 4;
  value += segment == 0 ? 8 : 0x108;
  if (segment > 1) value <<= segment - 1;
  return static_cast<int16_t>((code & 0x80) ? value : -value);
}

int16_t ulaw_expand(uint8_t code) {
  code = static_cast<uint8_t>(~code);
  const int segment = (code >> 4) & 7;
  const int value = ((((code & 0x0F) << 3) + 0x84) << segment) - 0x84;
  return static_cast<int16_t>((code & 0x80) ? -value : value);
}

template <int16_t (*expand)(uint8_t)>
std::array<float, 256> make_table() {
  std::array<float, 256> table{};
  for (int i = 0; i < 256; ++i) table[i] = expand(static_cast<uint8_t>(i)) / 32768.0f;
  return table;
}

const std::array<float, 256>& alaw_table() {
  static const auto table = make_table<alaw_expand>();
  return table;
}

const std::array<float, 256>& ulaw_table() {
  static const auto table = make_table<ulaw_expand>();
  return table;
}

// Reads an n-byte unsigned big- or little-endian value.
inline uint64_t load(const uint8_t* p, uint32_t n, bool is_big) {
  uint64_t v = 0;
  if (is_big) {
    for (uint32_t i = 0; i < n; ++i) v = v << 8 | p[i];
  } else {
    for (uint32_t i = n; i-- > 0;) v = v << 8 | p[i];
  }
  return v;
}

// Most files are 16-bit: eight samples at a time where the processor can. The compiler
// left the plain loop scalar, with each conversion waiting on the one before.
void convert_int16(const uint8_t* in, size_t count, bool is_big, float* out) {
  constexpr float scale = 1.0f / 32768.0f;
  size_t i = 0;
#if defined(__SSE2__)
  const __m128 scale4 = _mm_set1_ps(scale);
  for (; i + 8 <= count; i += 8) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i));
    if (is_big) v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
    // Each sample into the top half of a 32-bit lane, then shifted down with its sign.
    const __m128i low = _mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16);
    const __m128i high = _mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16);
    _mm_storeu_ps(out + i, _mm_mul_ps(_mm_cvtepi32_ps(low), scale4));
    _mm_storeu_ps(out + i + 4, _mm_mul_ps(_mm_cvtepi32_ps(high), scale4));
  }
#endif
  for (; i < count; ++i) {
    const uint8_t* p = in + 2 * i;
    const auto v = static_cast<int16_t>(is_big ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]));
    out[i] = v * scale;
  }
}

void convert_int(const uint8_t* in, size_t count, uint32_t width, bool is_big, bool is_unsigned,
                 float* out) {
  // Fast paths for the common widths.
  if (width == 2 && !is_unsigned) {
    convert_int16(in, count, is_big, out);
    return;
  }
  if (width == 3 && !is_unsigned) {
    // One loop per byte order: choosing inside the loop kept it at a sample at a time.
    constexpr float scale = 1.0f / 8388608.0f;
    if (is_big) {
      for (size_t i = 0; i < count; ++i, in += 3) {
        const uint32_t u = uint32_t{in[0]} << 24 | uint32_t{in[1]} << 16 | uint32_t{in[2]} << 8;
        out[i] = static_cast<float>(static_cast<int32_t>(u) >> 8) * scale;
      }
    } else {
      for (size_t i = 0; i < count; ++i, in += 3) {
        const uint32_t u = uint32_t{in[2]} << 24 | uint32_t{in[1]} << 16 | uint32_t{in[0]} << 8;
        out[i] = static_cast<float>(static_cast<int32_t>(u) >> 8) * scale;
      }
    }
    return;
  }
  if (width == 1) {
    for (size_t i = 0; i < count; ++i) {
      const int v = is_unsigned ? in[i] - 128 : static_cast<int8_t>(in[i]);
      out[i] = v / 128.0f;
    }
    return;
  }
  // Any other width: the value sits in the top bits of a 64-bit integer.
  const uint32_t shift = 64 - width * 8;
  for (size_t i = 0; i < count; ++i, in += width) {
    uint64_t v = load(in, width, is_big) << shift;
    if (is_unsigned) v ^= uint64_t{1} << 63;
    const auto s = static_cast<int64_t>(v);
    if (width == 4) {
      out[i] = static_cast<float>(static_cast<int32_t>(s >> 32) / 2147483648.0);
    } else {
      out[i] = static_cast<float>(static_cast<double>(s) / 9223372036854775808.0);
    }
  }
}

void convert_float(const uint8_t* in, size_t count, uint32_t width, bool is_big, float* out) {
  for (size_t i = 0; i < count; ++i, in += width) {
    const uint64_t v = load(in, width, is_big);
    switch (width) {
      case 2: out[i] = half_to_float(static_cast<uint16_t>(v)); break;
      case 3: out[i] = std::bit_cast<float>(static_cast<uint32_t>(v << 8)); break;
      case 4: out[i] = std::bit_cast<float>(static_cast<uint32_t>(v)); break;
      default: out[i] = static_cast<float>(std::bit_cast<double>(v));
    }
  }
}

}  // namespace

float alaw_to_float(uint8_t code) {
  return alaw_table()[code];
}
float ulaw_to_float(uint8_t code) {
  return ulaw_table()[code];
}

bool is_supported_layout(const sample_layout& layout) {
  switch (layout.encoding) {
    case sample_encoding::unsigned_int:
    case sample_encoding::signed_int:
      return layout.bytes_per_sample >= 1 && layout.bytes_per_sample <= 8;
    case sample_encoding::ieee_float:
      return (layout.bytes_per_sample >= 2 && layout.bytes_per_sample <= 4) ||
             layout.bytes_per_sample == 8;
    case sample_encoding::alaw:
    case sample_encoding::ulaw: return layout.bytes_per_sample == 1;
    case sample_encoding::ima_adpcm: return false;
  }
  return false;
}

void convert_samples(const uint8_t* in, size_t count, const sample_layout& layout, float* out) {
  const bool is_big = layout.order == byte_order::big;
  switch (layout.encoding) {
    case sample_encoding::unsigned_int:
    case sample_encoding::signed_int:
      convert_int(in, count, layout.bytes_per_sample, is_big,
                  layout.encoding == sample_encoding::unsigned_int, out);
      return;
    case sample_encoding::ieee_float:
      convert_float(in, count, layout.bytes_per_sample, is_big, out);
      return;
    case sample_encoding::alaw: {
      const auto& table = alaw_table();
      for (size_t i = 0; i < count; ++i) out[i] = table[in[i]];
      return;
    }
    case sample_encoding::ulaw: {
      const auto& table = ulaw_table();
      for (size_t i = 0; i < count; ++i) out[i] = table[in[i]];
      return;
    }
    case sample_encoding::ima_adpcm: break;
  }
  throw kel::exception_bug_check("convert_samples: unsupported layout");
}

}  // namespace lumo::pcm
