#pragma once
// The four-byte MPEG audio frame header (ISO/IEC 11172-3 2.4.1.3, ISO/IEC 13818-3, and the
// MPEG-2.5 extension of the low sample rates) and the CRC-16 of protected frames.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace lumo::mpeg {

enum class mpeg_version : uint8_t { mpeg25 = 0, mpeg2 = 2, mpeg1 = 3 };

enum class channel_mode : uint8_t { stereo = 0, joint_stereo = 1, dual_channel = 2, mono = 3 };

struct frame_header {
  mpeg_version version;
  uint8_t layer;  // 1, 2 or 3
  bool is_protected;
  uint32_t bitrate_kbps;
  uint32_t sample_rate;
  bool has_padding;
  channel_mode mode;
  uint8_t mode_extension;
  uint32_t channels;
  uint32_t samples_per_frame;
  uint32_t frame_bytes;  // header included

  bool is_mpeg1() const { return version == mpeg_version::mpeg1; }
};

inline constexpr uint32_t min_frame_bytes = 5;
inline constexpr uint32_t max_frame_bytes = 16384;

// The header of the four bytes, or nullopt when they are not a usable header (no sync,
// reserved version or layer, free-format or bad bit rate, reserved rate, frame length
// outside 5..16384).
std::optional<frame_header> parse_frame_header(const uint8_t* bytes);

// Bytes of Layer III side information after the header (and after the CRC word).
uint32_t side_info_bytes(const frame_header& header);

// The CRC-16 of a protected frame (polynomial 0x8005, initial value 0xFFFF) over the
// header's last two bytes and the protected bits that follow the CRC word; nullopt when
// this program does not know which bits a frame of this layer protects (Layer II) or the
// frame is too short to hold them.
std::optional<uint16_t> compute_frame_crc(const frame_header& header,
                                          std::span<const uint8_t> frame);

// Whether a protected frame's stored CRC matches; true for frames that carry none or whose
// protected bits are unknown.
bool frame_crc_matches(const frame_header& header, std::span<const uint8_t> frame);

}  // namespace lumo::mpeg
