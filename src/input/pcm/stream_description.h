#pragma once
// What a container parser found out about the sample data, in one shape for every PCM
// container; the sample decoders work from this alone.

#include <cstdint>

namespace lumo::pcm {

enum class sample_encoding : uint8_t {
  unsigned_int,  // offset binary (8-bit WAV, AIFF-C "raw ")
  signed_int,
  ieee_float,  // 16 (half), 24 (upper bytes of a single), 32, 64 bits
  alaw,        // G.711, 8 bits
  ulaw,        // G.711, 8 bits
  ima_adpcm,   // WAV format tag 0x11 blocks
};

enum class byte_order : uint8_t { little, big };

struct stream_description {
  uint64_t data_offset_bytes = 0;
  // Whole frames only (whole blocks for IMA ADPCM).
  uint64_t data_length_bytes = 0;
  uint32_t sample_rate = 0;
  uint32_t channels = 0;
  // Container bits per sample: a multiple of 8 for PCM, 4 for IMA ADPCM.
  uint32_t bits_per_sample = 0;
  sample_encoding encoding = sample_encoding::signed_int;
  byte_order order = byte_order::little;
  // Bytes per frame (PCM) or per block (IMA ADPCM), all channels.
  uint32_t block_align = 0;
  uint32_t channel_mask = 0;
};

// The speaker mask assumed for a channel count when the file carries none.
uint32_t default_channel_mask(uint32_t channels);

// Number of set bits.
uint32_t channel_mask_bits(uint32_t mask);

}  // namespace lumo::pcm
