#include "playback/output_spec.h"

#include <bit>

#include "playback/output_errors.h"

namespace lumo {

void validate_output_spec(const output_spec& spec) {
  bool bits_ok = spec.is_float ? spec.bits_per_sample == 32
                               : (spec.bits_per_sample == 8 || spec.bits_per_sample == 16 ||
                                  spec.bits_per_sample == 24 || spec.bits_per_sample == 32);
  if (spec.sample_rate == 0 || spec.channels == 0 ||
      static_cast<uint32_t>(std::popcount(spec.channel_mask)) != spec.channels || !bits_ok ||
      !(spec.buffer_seconds > 0.0) || spec.buffer_seconds > 60.0)
    throw exception_audio_invalid_spec();
}

uint32_t default_channel_mask(uint32_t channels) {
  switch (channels) {
    case 1: return 0x4;    // front centre
    case 2: return 0x3;    // front left, right
    case 3: return 0x7;    // + centre
    case 4: return 0x33;   // quad: front and back pairs
    case 5: return 0x37;   // quad + centre
    case 6: return 0x3F;   // 5.1
    case 7: return 0x13F;  // 5.1 + back centre
    case 8: return 0x63F;  // 7.1 with side pair
    default: return channels >= 32 ? 0xFFFFFFFFu : (1u << channels) - 1;
  }
}

wave_format make_wave_format(const output_spec& spec, bool force_extensible) {
  wave_format f;
  f.channels = static_cast<uint16_t>(spec.channels);
  f.samples_per_sec = spec.sample_rate;
  f.bits_per_sample = static_cast<uint16_t>(spec.bits_per_sample);
  f.block_align = static_cast<uint16_t>(spec.bytes_per_frame());
  f.avg_bytes_per_sec = spec.sample_rate * f.block_align;
  // Float is 32 bits wide, yet plain float is asked for first: the extensible form is its
  // retry when a device refuses it.
  bool extensible =
      force_extensible || spec.channels > 2 || (!spec.is_float && spec.bits_per_sample > 16);
  if (!extensible) {
    f.format_tag = spec.is_float ? wave_format_ieee_float : wave_format_pcm;
    return f;
  }
  f.format_tag = wave_format_extensible;
  f.extra_size = 22;
  f.valid_bits_per_sample = f.bits_per_sample;
  f.channel_mask = spec.channel_mask;
  f.sub_format = spec.is_float ? ksdataformat_subtype_ieee_float : ksdataformat_subtype_pcm;
  return f;
}

}  // namespace lumo
