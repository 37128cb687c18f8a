#pragma once
// What an output stream plays: the stream specification, its check, and the wave format
// a device is asked for (the fields of WAVEFORMATEXTENSIBLE, kept portable so the choice
// of plain or extensible form is tested natively).

#include <cstdint>

#include "core/guid.h"

namespace lumo {

struct output_spec {
  uint32_t sample_rate = 0;
  uint32_t channels = 0;
  uint32_t channel_mask = 0;
  uint32_t bits_per_sample = 16;  // of the device format: 8, 16, 24 or 32
  bool is_float = false;          // 32-bit float samples when set
  double buffer_seconds = 0.5;
  guid device{};  // all zeros: the system's default device

  uint32_t bytes_per_frame() const { return bits_per_sample / 8 * channels; }
  // Same sample format on the device (the buffer length and device aside).
  bool same_format(const output_spec& o) const {
    return sample_rate == o.sample_rate && channels == o.channels &&
           channel_mask == o.channel_mask && bits_per_sample == o.bits_per_sample &&
           is_float == o.is_float;
  }
};

// Refuses a zero rate or channel count, a mask whose set bits do not number the
// channels, an unsupported sample width or a non-positive buffer length with
// exception_audio_invalid_spec ("Invalid audio stream specifications").
void validate_output_spec(const output_spec& spec);

// The default speaker mask for a channel count (front left/right first, as Windows'
// KSAUDIO_SPEAKER_* layouts), for callers that have no mask of their own.
uint32_t default_channel_mask(uint32_t channels);

inline constexpr uint16_t wave_format_pcm = 1;
inline constexpr uint16_t wave_format_ieee_float = 3;
inline constexpr uint16_t wave_format_extensible = 0xFFFE;

inline constexpr guid ksdataformat_subtype_pcm{
    0x00000001u, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr guid ksdataformat_subtype_ieee_float{
    0x00000003u, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

struct wave_format {
  uint16_t format_tag = 0;
  uint16_t channels = 0;
  uint32_t samples_per_sec = 0;
  uint32_t avg_bytes_per_sec = 0;
  uint16_t block_align = 0;
  uint16_t bits_per_sample = 0;
  uint16_t extra_size = 0;  // 22 for the extensible form, else 0
  // Extensible form only:
  uint16_t valid_bits_per_sample = 0;
  uint32_t channel_mask = 0;
  guid sub_format{};
};

// Plain PCM or float for up to two channels of up to 16 bits (float is always 32 bits,
// plain tag 3), the extensible form above two channels or 16 integer bits, or whenever
// force_extensible is set (the retry for devices that refuse plain float).
wave_format make_wave_format(const output_spec& spec, bool force_extensible);

}  // namespace lumo
