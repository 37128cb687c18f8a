#include "input/pcm_chunk.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/exceptions.h"

namespace lumo {

float* pcm_chunk::reserve(size_t count_floats) {
  if (data_.size() < count_floats) data_.resize(count_floats);
  return data_.data();
}

void pcm_chunk::set_format(uint32_t sample_rate, uint32_t channels, uint32_t channel_mask) {
  sample_rate_ = sample_rate;
  channels_ = channels;
  channel_mask_ = channel_mask;
}

void pcm_chunk::set_sample_count(uint32_t count_samples) {
  const uint64_t floats = static_cast<uint64_t>(count_samples) * channels_;
  if (floats > data_.size()) throw kel::exception_bug_check("pcm_chunk overflow");
  sample_count_ = count_samples;
  data_size_ = static_cast<uint32_t>(floats);
}

void pcm_chunk::swap_storage(std::vector<float>& storage) {
  data_.swap(storage);
  sample_count_ = 0;
  data_size_ = 0;
}

bool pcm_chunk::is_valid() const {
  if (channels_ < 1 || channels_ > max_channels) return false;
  if (sample_rate_ < min_sample_rate || sample_rate_ > max_sample_rate) return false;
  // The whole block must stay addressable in bytes with a signed 32-bit size.
  if (sample_count_ == 0 || sample_count_ >= (1u << 31) / (channels_ * 4)) return false;
  if (static_cast<uint64_t>(sample_count_) * channels_ > data_size_) return false;
  return data() != nullptr;
}

void pcm_chunk::set_silence(uint32_t count_samples) {
  const size_t floats = static_cast<size_t>(count_samples) * channels_;
  std::fill_n(reserve(floats), floats, 0.0f);
  set_sample_count(count_samples);
}

uint32_t pcm_chunk::skip_first(uint32_t count_samples) {
  if (count_samples >= sample_count_) {
    const uint32_t dropped = sample_count_;
    sample_count_ = 0;
    data_size_ = 0;
    return dropped;
  }
  const size_t skip_floats = static_cast<size_t>(count_samples) * channels_;
  const size_t keep_floats = static_cast<size_t>(sample_count_ - count_samples) * channels_;
  std::memmove(data_.data(), data_.data() + skip_floats, keep_floats * sizeof(float));
  set_sample_count(sample_count_ - count_samples);
  return count_samples;
}

float half_to_float(uint16_t h) {
  const uint32_t sign = static_cast<uint32_t>(h & 0x8000) << 16;
  const uint32_t exponent = (h >> 10) & 0x1F;
  uint32_t mantissa = h & 0x3FF;
  uint32_t bits;
  if (exponent == 0x1F) {
    bits = sign | 0x7F800000 | (mantissa << 13);
  } else if (exponent != 0) {
    bits = sign | ((exponent + 112) << 23) | (mantissa << 13);
  } else if (mantissa == 0) {
    bits = sign;
  } else {
    // Subnormal half: normalise into a single's exponent range.
    uint32_t e = 113;
    while (!(mantissa & 0x400)) {
      mantissa <<= 1;
      --e;
    }
    bits = sign | (e << 23) | ((mantissa & 0x3FF) << 13);
  }
  return std::bit_cast<float>(bits);
}

void pcm_chunk::set_from_float_bytes(const void* bytes, size_t byte_count, uint32_t sample_rate,
                                     uint32_t channels, uint32_t bits, uint32_t channel_mask) {
  if (bits != 16 && bits != 24 && bits != 32 && bits != 64)
    throw kel::exception_invalid_params("invalid bit depth");
  if (channels == 0) throw kel::exception_invalid_params();
  const size_t width = bits / 8;
  const size_t samples = (byte_count / width) / channels;
  const size_t floats = samples * channels;
  if (samples > UINT32_MAX) throw kel::exception_overflow();
  set_format(sample_rate, channels, channel_mask);
  float* out = reserve(floats);
  const auto* in = static_cast<const uint8_t*>(bytes);
  for (size_t i = 0; i < floats; ++i, in += width) {
    switch (bits) {
      case 16: out[i] = half_to_float(static_cast<uint16_t>(in[0] | in[1] << 8)); break;
      case 24:
        out[i] = std::bit_cast<float>(static_cast<uint32_t>(in[0]) << 8 |
                                      static_cast<uint32_t>(in[1]) << 16 |
                                      static_cast<uint32_t>(in[2]) << 24);
        break;
      case 32: {
        uint32_t v;
        std::memcpy(&v, in, 4);
        out[i] = std::bit_cast<float>(v);
        break;
      }
      default: {
        uint64_t v;
        std::memcpy(&v, in, 8);
        out[i] = static_cast<float>(std::bit_cast<double>(v));
      }
    }
  }
  set_sample_count(static_cast<uint32_t>(samples));
}

}  // namespace lumo
