#pragma once

#include <cstdint>
#include <string_view>

namespace lumo {

// CRC-32 of IEEE 802.3 (reflected polynomial 0xEDB88320, initial value and final
// complement all ones), as zip and PNG use it.
uint32_t crc32_ieee(std::string_view bytes);

}  // namespace lumo
