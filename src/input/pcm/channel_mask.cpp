#include <bit>

#include "input/pcm/stream_description.h"

namespace lumo::pcm {

// Speaker bits in WAVEFORMATEXTENSIBLE order: FL FR FC LFE BL BR FLC FRC BC SL SR ...
uint32_t default_channel_mask(uint32_t channels) {
  switch (channels) {
    case 1: return 0x4;    // front centre
    case 2: return 0x3;    // front left, right
    case 3: return 0x7;    // + front centre
    case 4: return 0x33;   // quad: front pair, back pair
    case 5: return 0x37;   // 5.0: front three, back pair
    case 6: return 0x3F;   // 5.1
    case 7: return 0x13F;  // 6.1: 5.1 + back centre
    case 8: return 0x63F;  // 7.1: 5.1 + side pair
    default:
      // Beyond the common layouts take the speaker bits in order while they last.
      return channels <= 18 ? (1u << channels) - 1 : 0;
  }
}

uint32_t channel_mask_bits(uint32_t mask) {
  return static_cast<uint32_t>(std::popcount(mask));
}

}  // namespace lumo::pcm
