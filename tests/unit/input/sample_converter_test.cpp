// The 16-bit conversion runs eight samples at a time with a plain loop for the rest: every
// value, in both byte orders, from any byte position and at every tail length, must come
// out as the value over 32768, exactly.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "input/pcm/sample_converter.h"

namespace lumo::pcm {
namespace {

TEST(sample_converter, every_16bit_value_in_both_orders_at_any_offset_and_length) {
  constexpr size_t values = 65536;
  for (byte_order order : {byte_order::little, byte_order::big}) {
    // One spare byte in front, so the samples also start at an odd address.
    std::vector<uint8_t> bytes(1 + 2 * values);
    for (size_t i = 0; i < values; ++i) {
      const auto v = static_cast<uint16_t>(i);
      const uint8_t low = static_cast<uint8_t>(v), high = static_cast<uint8_t>(v >> 8);
      bytes[1 + 2 * i] = order == byte_order::little ? low : high;
      bytes[2 + 2 * i] = order == byte_order::little ? high : low;
    }
    const sample_layout layout{sample_encoding::signed_int, order, 2};
    for (size_t start : {size_t{0}, size_t{1}}) {
      std::vector<float> out(values, -9.0f);
      const size_t count = values - start;
      convert_samples(bytes.data() + 1 + 2 * start, count, layout, out.data());
      for (size_t i = 0; i < count; ++i) {
        const auto expected = static_cast<float>(static_cast<int16_t>(i + start)) / 32768.0f;
        ASSERT_EQ(out[i], expected) << "sample " << i + start;
      }
    }
    // Short runs end inside the first group of eight and write nothing beyond count.
    for (size_t count = 0; count <= 17; ++count) {
      std::vector<float> out(20, -9.0f);
      convert_samples(bytes.data() + 1 + 2 * 32767, count, layout, out.data());
      for (size_t i = 0; i < count; ++i)
        ASSERT_EQ(out[i], static_cast<float>(static_cast<int16_t>(32767 + i)) / 32768.0f);
      for (size_t i = count; i < out.size(); ++i) ASSERT_EQ(out[i], -9.0f) << count;
    }
  }
}

}  // namespace
}  // namespace lumo::pcm
