#include "input/pcm_chunk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/exceptions.h"

namespace lumo {
namespace {

pcm_chunk silent(uint32_t rate, uint32_t channels, uint32_t samples) {
  pcm_chunk c;
  c.set_format(rate, channels, 0);
  c.set_silence(samples);
  return c;
}

TEST(pcm_chunk, validity_limits) {
  EXPECT_TRUE(silent(1000, 1, 1).is_valid());
  EXPECT_TRUE(silent(20'000'000, 256, 4).is_valid());
  EXPECT_FALSE(silent(44100, 2, 0).is_valid());
  EXPECT_FALSE(silent(44100, 257, 1).is_valid());
  EXPECT_FALSE(silent(44100, 0, 1).is_valid());
  EXPECT_FALSE(silent(999, 1, 1).is_valid());
  EXPECT_FALSE(silent(20'000'001, 1, 1).is_valid());
  EXPECT_FALSE(pcm_chunk().is_valid());
}

TEST(pcm_chunk, skip_first_moves_the_rest_forward) {
  pcm_chunk c;
  c.set_format(8000, 2, 3);
  float* d = c.reserve(8);
  for (int i = 0; i < 8; ++i) d[i] = static_cast<float>(i);
  c.set_sample_count(4);
  EXPECT_EQ(c.skip_first(1), 1u);
  ASSERT_EQ(c.sample_count(), 3u);
  EXPECT_EQ(c.data_size(), 6u);
  EXPECT_EQ(c.data()[0], 2.0f);
  EXPECT_EQ(c.data()[5], 7.0f);
  EXPECT_EQ(c.skip_first(3), 3u);
  EXPECT_EQ(c.sample_count(), 0u);
  EXPECT_EQ(c.data_size(), 0u);
  c.set_silence(2);
  EXPECT_EQ(c.skip_first(10), 2u);
  EXPECT_FALSE(c.is_valid());
}

TEST(pcm_chunk, swapped_storage_leaves_the_block_empty_and_is_decoded_into) {
  pcm_chunk c;
  c.set_format(8000, 2, 3);
  std::fill_n(c.reserve(8), 8, 0.5f);
  c.set_sample_count(4);
  std::vector<float> storage(16, 0.0f);
  const float* storage_data = storage.data();
  c.swap_storage(storage);
  // The samples went out whole; the block kept its format but holds nothing.
  ASSERT_EQ(storage.size(), 8u);
  EXPECT_EQ(storage[7], 0.5f);
  EXPECT_EQ(c.sample_count(), 0u);
  EXPECT_EQ(c.data_size(), 0u);
  EXPECT_EQ(c.channels(), 2u);
  EXPECT_FALSE(c.is_valid());
  // Storage large enough is decoded into as it is, not replaced.
  EXPECT_EQ(c.reserve(16), storage_data);
}

TEST(pcm_chunk, set_from_float_bytes_reads_every_width) {
  pcm_chunk c;
  const float singles[] = {0.5f, -0.25f, 1.0f, -1.0f};
  c.set_from_float_bytes(singles, sizeof singles, 48000, 2, 32, 3);
  ASSERT_EQ(c.sample_count(), 2u);
  EXPECT_EQ(c.data()[1], -0.25f);
  EXPECT_EQ(c.channel_mask(), 3u);

  const double doubles[] = {0.125, -0.75, 0.3};
  c.set_from_float_bytes(doubles, sizeof doubles, 48000, 1, 64, 4);
  ASSERT_EQ(c.sample_count(), 3u);
  EXPECT_EQ(c.data()[2], 0.3f);

  // Half precision: 1.0, -2.0, smallest subnormal, infinity.
  const uint8_t halves[] = {0x00, 0x3C, 0x00, 0xC0, 0x01, 0x00, 0x00, 0x7C};
  c.set_from_float_bytes(halves, sizeof halves, 48000, 1, 16, 4);
  ASSERT_EQ(c.sample_count(), 4u);
  EXPECT_EQ(c.data()[0], 1.0f);
  EXPECT_EQ(c.data()[1], -2.0f);
  EXPECT_EQ(c.data()[2], 5.9604644775390625e-8f);
  EXPECT_TRUE(std::isinf(c.data()[3]));

  // 24-bit: the upper three bytes of a single (0x3F000000 = 0.5).
  const uint8_t floats24[] = {0x00, 0x00, 0x3F, 0x00, 0x80, 0xBF, 0x00};
  c.set_from_float_bytes(floats24, sizeof floats24, 48000, 1, 24, 4);
  ASSERT_EQ(c.sample_count(), 2u);
  EXPECT_EQ(c.data()[0], 0.5f);
  EXPECT_EQ(c.data()[1], -1.0f);

  try {
    c.set_from_float_bytes(singles, sizeof singles, 48000, 1, 8, 4);
    FAIL();
  } catch (const kel::exception& e) {
    EXPECT_STREQ(e.what(), "invalid bit depth");
  }
}

}  // namespace
}  // namespace lumo
