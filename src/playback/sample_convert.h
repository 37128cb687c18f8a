#pragma once
// Float samples (full scale +-1.0) into a device's sample format. Integer formats round
// to nearest and clip; no dithering. Allocates nothing.

#include <cstddef>
#include <cstdint>

namespace lumo {

struct device_sample_format {
  uint32_t bits = 16;  // 8 (unsigned), 16, 24, 32
  bool is_float = false;
  uint32_t bytes() const { return bits / 8; }
};

// Writes count samples to out (count * format.bytes() bytes, little-endian).
void convert_samples(const float* in, size_t count, device_sample_format format, uint8_t* out);

// Fills bytes of out with silence of the format (0x80 for 8-bit, else zero).
void fill_silence(uint8_t* out, size_t bytes, device_sample_format format);

}  // namespace lumo
