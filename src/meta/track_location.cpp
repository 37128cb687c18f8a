#include "meta/track_location.h"

#include <string_view>

namespace lumo {

size_t track_location_hash::operator()(const track_location& location) const noexcept {
  size_t h = std::hash<std::string_view>{}(location.path);
  // Subsongs of one file differ only here; mix it in rather than xor it onto the low bits.
  return h ^ (location.subsong_index + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2));
}

}  // namespace lumo
