#pragma once
// Turns packed PCM sample bytes into floats: 8..64-bit integers (signed or offset
// binary), 16/24/32/64-bit floats, G.711 A-law and mu-law, in either byte order.

#include <cstddef>
#include <cstdint>

#include "input/pcm/stream_description.h"

namespace lumo::pcm {

struct sample_layout {
  sample_encoding encoding = sample_encoding::signed_int;
  byte_order order = byte_order::little;
  uint32_t bytes_per_sample = 2;
};

// True when convert_samples handles the layout (IMA ADPCM has its own decoder).
bool is_supported_layout(const sample_layout& layout);

// Converts count samples from in (count * bytes_per_sample bytes) into out.
void convert_samples(const uint8_t* in, size_t count, const sample_layout& layout, float* out);

float alaw_to_float(uint8_t code);
float ulaw_to_float(uint8_t code);

}  // namespace lumo::pcm
