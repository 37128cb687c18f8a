#include "input/mpeg/mpeg_header.h"

namespace lumo::mpeg {

namespace {

// Bit rates in kbps by index 1..14 (index 0, free format, is not supported).
constexpr uint16_t bitrates_l1_v1[14] = {32,  64,  96,  128, 160, 192, 224,
                                         256, 288, 320, 352, 384, 416, 448};
constexpr uint16_t bitrates_l1_v2[14] = {32,  48,  56,  64,  80,  96,  112,
                                         128, 144, 160, 176, 192, 224, 256};
constexpr uint16_t bitrates_l2_v1[14] = {32,  48,  56,  64,  80,  96,  112,
                                         128, 160, 192, 224, 256, 320, 384};
constexpr uint16_t bitrates_l3_v1[14] = {32,  40,  48,  56,  64,  80,  96,
                                         112, 128, 160, 192, 224, 256, 320};
constexpr uint16_t bitrates_l23_v2[14] = {8,  16, 24, 32,  40,  48,  56,
                                          64, 80, 96, 112, 128, 144, 160};

constexpr uint32_t base_rates[3] = {11025, 12000, 8000};

uint32_t bitrate_for(mpeg_version version, uint8_t layer, uint32_t index) {
  const bool is_v1 = version == mpeg_version::mpeg1;
  switch (layer) {
    case 1: return (is_v1 ? bitrates_l1_v1 : bitrates_l1_v2)[index - 1];
    case 2: return (is_v1 ? bitrates_l2_v1 : bitrates_l23_v2)[index - 1];
    default: return (is_v1 ? bitrates_l3_v1 : bitrates_l23_v2)[index - 1];
  }
}

class crc16 {
 public:
  void add_bits(uint32_t value, uint32_t count) {
    for (uint32_t i = count; i-- > 0;) {
      const bool bit = (value >> i) & 1;
      const bool top = crc_ & 0x8000;
      crc_ = static_cast<uint16_t>(crc_ << 1);
      if (bit != top) crc_ ^= 0x8005;
    }
  }
  void add_bytes(std::span<const uint8_t> bytes) {
    for (uint8_t b : bytes) add_bits(b, 8);
  }
  uint16_t value() const { return crc_; }

 private:
  uint16_t crc_ = 0xFFFF;
};

// Layer I protects the bit allocation: 4 bits per channel below the joint-stereo bound,
// 4 bits per subband above it (ISO/IEC 11172-3 2.4.1.5 and 2.4.2.3).
uint32_t layer1_protected_bits(const frame_header& h) {
  if (h.channels == 1) return 32 * 4;
  uint32_t bound = 32;
  if (h.mode == channel_mode::joint_stereo) bound = 4 + 4 * h.mode_extension;
  return bound * 4 * 2 + (32 - bound) * 4;
}

}  // namespace

std::optional<frame_header> parse_frame_header(const uint8_t* b) {
  if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return std::nullopt;
  const uint32_t version_bits = (b[1] >> 3) & 3;
  const uint32_t layer_bits = (b[1] >> 1) & 3;
  const uint32_t bitrate_index = b[2] >> 4;
  const uint32_t rate_index = (b[2] >> 2) & 3;
  if (version_bits == 1 || layer_bits == 0 || bitrate_index == 0 || bitrate_index == 15 ||
      rate_index == 3)
    return std::nullopt;

  frame_header h;
  h.version = static_cast<mpeg_version>(version_bits);
  h.layer = static_cast<uint8_t>(4 - layer_bits);
  h.is_protected = (b[1] & 1) == 0;
  h.bitrate_kbps = bitrate_for(h.version, h.layer, bitrate_index);
  const uint32_t multiplier = h.version == mpeg_version::mpeg1   ? 4
                              : h.version == mpeg_version::mpeg2 ? 2
                                                                 : 1;
  h.sample_rate = base_rates[rate_index] * multiplier;
  h.has_padding = (b[2] >> 1) & 1;
  h.mode = static_cast<channel_mode>(b[3] >> 6);
  h.mode_extension = (b[3] >> 4) & 3;
  h.channels = h.mode == channel_mode::mono ? 1 : 2;
  const uint32_t padding = h.has_padding ? 1 : 0;
  if (h.layer == 1) {
    h.samples_per_frame = 384;
    h.frame_bytes = ((48000 * h.bitrate_kbps / h.sample_rate) + 4 * padding) / 4 * 4;
  } else if (h.layer == 2 || h.is_mpeg1()) {
    h.samples_per_frame = 1152;
    h.frame_bytes = 144000 * h.bitrate_kbps / h.sample_rate + padding;
  } else {
    h.samples_per_frame = 576;
    h.frame_bytes = 72000 * h.bitrate_kbps / h.sample_rate + padding;
  }
  if (h.frame_bytes < min_frame_bytes || h.frame_bytes > max_frame_bytes) return std::nullopt;
  return h;
}

uint32_t side_info_bytes(const frame_header& h) {
  if (h.is_mpeg1()) return h.channels == 1 ? 17 : 32;
  return h.channels == 1 ? 9 : 17;
}

std::optional<uint16_t> compute_frame_crc(const frame_header& h, std::span<const uint8_t> frame) {
  uint32_t bits;
  if (h.layer == 3) {
    bits = side_info_bytes(h) * 8;
  } else if (h.layer == 1) {
    bits = layer1_protected_bits(h);
  } else {
    return std::nullopt;
  }
  const size_t needed = 6 + (bits + 7) / 8;
  if (frame.size() < needed) return std::nullopt;
  crc16 crc;
  crc.add_bytes(frame.subspan(2, 2));
  crc.add_bytes(frame.subspan(6, bits / 8));
  if (bits % 8) crc.add_bits(frame[6 + bits / 8] >> (8 - bits % 8), bits % 8);
  return crc.value();
}

bool frame_crc_matches(const frame_header& h, std::span<const uint8_t> frame) {
  if (!h.is_protected) return true;
  const auto crc = compute_frame_crc(h, frame);
  if (!crc) return true;
  return *crc == static_cast<uint16_t>(frame[4] << 8 | frame[5]);
}

}  // namespace lumo::mpeg
