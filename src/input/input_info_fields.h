#pragma once
// Readings of the technical and tag fields every handler shares.

#include <cstdint>
#include <optional>
#include <string_view>

#include "meta/track_info.h"

namespace lumo {

// The bit depth decoded output carries: "decoded_bitspersample", else "bitspersample",
// else 0.
uint32_t decoded_bits_per_sample(const track_info& info);

// The channel mask a "WAVEFORMATEXTENSIBLE_CHANNEL_MASK" tag value gives ("0x" or "0X"
// and hexadecimal digits); nullopt for anything else. Formats without a mask of their
// own (FLAC) take it over their default.
std::optional<uint32_t> channel_mask_from_tag(std::string_view value);

// The same, looked up in info's metadata.
std::optional<uint32_t> channel_mask_from_tags(const track_info& info);

}  // namespace lumo
