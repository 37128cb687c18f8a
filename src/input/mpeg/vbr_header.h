#pragma once
// The headers an encoder puts in place of the first audio frame: Xing/Info with the LAME
// encoder extension, and Fraunhofer's VBRI. They carry the exact frame count, and LAME's
// the encoder delay and padding that make gapless playback possible.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "input/mpeg/mpeg_header.h"

namespace lumo::mpeg {

struct vbr_header {
  enum class kind { xing, info, vbri };
  kind type = kind::xing;
  uint32_t frame_count = 0;  // always present and > 1 for Xing/Info, > 0 for VBRI
  std::optional<uint32_t> byte_count;
  std::optional<uint32_t> quality;
  std::string codec_profile;  // "CBR", "ABR", "VBR" or "VBR V<n>"
  // From the encoder extension, when one of a known revision is present.
  std::string tool;  // empty when absent or not printable
  std::optional<uint8_t> lowpass;
  std::optional<uint32_t> encoder_delay_samples;
  std::optional<uint32_t> encoder_padding_samples;
};

// Where the Xing/Info tag starts in a Layer III frame: after the side information.
uint32_t xing_offset(const frame_header& header);

// The Xing/Info header of a first frame, or nullopt when there is none or it is unusable
// (no frame count, or a count of 0 or 1).
std::optional<vbr_header> parse_xing_header(const frame_header& header,
                                            std::span<const uint8_t> frame);

// The VBRI header at byte 36 of a first frame, or nullopt when there is none or its
// values cannot be right.
std::optional<vbr_header> parse_vbri_header(std::span<const uint8_t> frame);

}  // namespace lumo::mpeg
