#pragma once
// IMA ADPCM as stored in WAV files (format tag 0x11): blocks of block_align bytes, each
// starting with a 4-byte header per channel (initial sample, step index, reserved) and
// followed by 4-bit codes interleaved per channel in groups of 4 bytes (8 samples).

#include <cstddef>
#include <cstdint>

namespace lumo::pcm {

// Samples per channel in one block, or 0 when block_align and channels cannot form a
// valid block (too small, or the code bytes do not split into 8-sample groups).
uint32_t ima_adpcm_samples_per_block(uint32_t block_align, uint32_t channels);

// Decodes one whole block into samples_per_block * channels interleaved floats.
void decode_ima_adpcm_block(const uint8_t* block, uint32_t block_align, uint32_t channels,
                            float* out);

}  // namespace lumo::pcm
