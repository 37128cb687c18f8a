#include "input/pcm/ima_adpcm.h"

#include <algorithm>

namespace lumo::pcm {

namespace {

// Step and index tables of the IMA Digital Audio Focus and Technical Working Groups'
// "Recommended Practices for Enhancing Digital Audio Compatibility" (1992).
constexpr int16_t step_table[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr int8_t index_table[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

struct channel_state {
  int predictor;
  int index;

  int expand(uint8_t code) {
    const int step = step_table[index];
    int diff = step >> 3;
    if (code & 4) diff += step;
    if (code & 2) diff += step >> 1;
    if (code & 1) diff += step >> 2;
    predictor = std::clamp((code & 8) ? predictor - diff : predictor + diff, -32768, 32767);
    index = std::clamp(index + index_table[code], 0, 88);
    return predictor;
  }
};

constexpr float scale = 1.0f / 32768.0f;

}  // namespace

uint32_t ima_adpcm_samples_per_block(uint32_t block_align, uint32_t channels) {
  if (channels == 0 || block_align <= 4 * channels) return 0;
  const uint32_t code_bytes = block_align - 4 * channels;
  if (code_bytes % (4 * channels) != 0) return 0;
  const uint32_t samples = code_bytes * 2 / channels + 1;
  return (samples - 1) % 8 == 0 ? samples : 0;
}

void decode_ima_adpcm_block(const uint8_t* block, uint32_t block_align, uint32_t channels,
                            float* out) {
  const uint32_t samples = ima_adpcm_samples_per_block(block_align, channels);
  channel_state state[256];
  for (uint32_t c = 0; c < channels; ++c) {
    const uint8_t* header = block + 4 * c;
    state[c].predictor = static_cast<int16_t>(header[0] | header[1] << 8);
    // A damaged header may carry any index; the tables only reach 88.
    state[c].index = std::min<int>(header[2], 88);
    out[c] = state[c].predictor * scale;
  }
  const uint8_t* codes = block + 4 * channels;
  const uint32_t groups = (samples - 1) / 8;
  for (uint32_t g = 0; g < groups; ++g) {
    for (uint32_t c = 0; c < channels; ++c) {
      const uint8_t* group = codes + (static_cast<size_t>(g) * channels + c) * 4;
      float* dst = out + (1 + static_cast<size_t>(g) * 8) * channels + c;
      for (int i = 0; i < 4; ++i) {
        dst[(2 * i) * channels] = state[c].expand(group[i] & 0x0F) * scale;
        dst[(2 * i + 1) * channels] = state[c].expand(group[i] >> 4) * scale;
      }
    }
  }
}

}  // namespace lumo::pcm
