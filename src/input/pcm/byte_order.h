#pragma once
// Loads of fixed-size integers from byte buffers, named by byte order.

#include <cstdint>

namespace lumo::pcm {

inline uint16_t load_u16_le(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t load_u32_le(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
inline uint64_t load_u64_le(const uint8_t* p) {
  return uint64_t{load_u32_le(p)} | uint64_t{load_u32_le(p + 4)} << 32;
}
inline uint16_t load_u16_be(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
inline uint32_t load_u32_be(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

}  // namespace lumo::pcm
