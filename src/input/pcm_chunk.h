#pragma once
// One block of decoded audio: interleaved 32-bit float samples (full scale +-1.0) with
// its format. Every decoder fills these; playback rejects a block that is not valid().

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumo {

class pcm_chunk {
 public:
  static constexpr uint32_t max_channels = 256;
  static constexpr uint32_t min_sample_rate = 1000;
  static constexpr uint32_t max_sample_rate = 20'000'000;

  const float* data() const { return data_.empty() ? nullptr : data_.data(); }
  float* data() { return data_.empty() ? nullptr : data_.data(); }
  // Floats in use (all channels).
  uint32_t data_size() const { return data_size_; }
  uint32_t sample_rate() const { return sample_rate_; }
  uint32_t channels() const { return channels_; }
  uint32_t channel_mask() const { return channel_mask_; }
  // Samples per channel.
  uint32_t sample_count() const { return sample_count_; }
  double duration_seconds() const {
    return sample_rate_ ? static_cast<double>(sample_count_) / sample_rate_ : 0.0;
  }

  // Grows the storage to hold at least count floats (never shrinks) and returns it.
  float* reserve(size_t count_floats);
  void set_format(uint32_t sample_rate, uint32_t channels, uint32_t channel_mask);
  // Declares how much of the storage is in use; sample_count * channels floats must fit
  // in what reserve() provided.
  void set_sample_count(uint32_t count_samples);

  // Exchanges the sample storage with storage, so a consumer keeps the samples without a
  // copy and hands back storage to decode into (reserve() reuses it). The block is left
  // empty (no samples) with its format kept.
  void swap_storage(std::vector<float>& storage);

  bool is_valid() const;

  // n samples of silence per channel in the current format.
  void set_silence(uint32_t count_samples);
  // Drops the first n samples of every channel; returns how many were dropped (all of
  // them, leaving the block empty, when n >= sample_count()).
  uint32_t skip_first(uint32_t count_samples);
  // Fills the block from little-endian float bytes of 16 (half), 24 (upper 24 bits of a
  // single), 32 or 64 bits; other widths throw kel::exception_invalid_params
  // ("invalid bit depth").
  void set_from_float_bytes(const void* bytes, size_t byte_count, uint32_t sample_rate,
                            uint32_t channels, uint32_t bits, uint32_t channel_mask);

 private:
  std::vector<float> data_;
  uint32_t data_size_ = 0;
  uint32_t sample_rate_ = 0;
  uint32_t channels_ = 0;
  uint32_t channel_mask_ = 0;
  uint32_t sample_count_ = 0;
};

// IEEE half precision (binary16) to single.
float half_to_float(uint16_t bits);

}  // namespace lumo
