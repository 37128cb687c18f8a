#include "input/input_info_fields.h"

#include <charconv>

namespace lumo {

namespace {

std::optional<uint32_t> parse_u32(std::string_view text, int base) {
  uint32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || error != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace

uint32_t decoded_bits_per_sample(const track_info& info) {
  for (std::string_view name : {"decoded_bitspersample", "bitspersample"}) {
    if (const auto value = info.info_find_value(name)) {
      if (const auto bits = parse_u32(*value, 10)) return *bits;
    }
  }
  return 0;
}

std::optional<uint32_t> channel_mask_from_tag(std::string_view value) {
  if (value.size() < 3 || value[0] != '0' || (value[1] != 'x' && value[1] != 'X'))
    return std::nullopt;
  return parse_u32(value.substr(2), 16);
}

std::optional<uint32_t> channel_mask_from_tags(const track_info& info) {
  const auto value = info.meta_find_value("WAVEFORMATEXTENSIBLE_CHANNEL_MASK");
  return value ? channel_mask_from_tag(*value) : std::nullopt;
}

}  // namespace lumo
