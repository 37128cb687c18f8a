#pragma once
// A 16-byte class or object identifier, laid out like the Windows GUID so the bytes
// compare the same way on every build.

#include <compare>
#include <cstdint>
#include <cstring>

namespace lumo {

struct guid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];

  friend bool operator==(const guid& a, const guid& b) {
    return std::memcmp(&a, &b, sizeof(guid)) == 0;
  }
};
static_assert(sizeof(guid) == 16);

// The registry's order: the 16 bytes in memory order as unsigned bytes, not field by
// field (so data1 compares in its in-memory byte order).
inline bool guid_less(const guid& a, const guid& b) {
  return std::memcmp(&a, &b, sizeof(guid)) < 0;
}

}  // namespace lumo
