#include "input/pcm/sample_decoder.h"

#include <algorithm>
#include <cmath>

#include "core/exceptions.h"
#include "input/pcm/ima_adpcm.h"
#include "input/pcm/sample_converter.h"

namespace lumo::pcm {

namespace {

sample_layout layout_of(const stream_description& stream) {
  return {stream.encoding, stream.order, stream.bits_per_sample / 8};
}

}  // namespace

sample_decoder::sample_decoder(byte_source& source, const stream_description& stream,
                               const abort_signal& abort)
    : source_(source), stream_(stream) {
  if (stream_.channels < 1 || stream_.channels > pcm_chunk::max_channels ||
      stream_.sample_rate < pcm_chunk::min_sample_rate ||
      stream_.sample_rate > pcm_chunk::max_sample_rate || stream_.block_align == 0)
    throw sonatrix_io::exception_io_data();
  if (stream_.encoding == sample_encoding::ima_adpcm) {
    samples_per_block_ = ima_adpcm_samples_per_block(stream_.block_align, stream_.channels);
    if (stream_.bits_per_sample != 4 || samples_per_block_ == 0)
      throw sonatrix_io::exception_io_data();
  } else {
    const sample_layout layout = layout_of(stream_);
    if (stream_.bits_per_sample % 8 != 0 || !is_supported_layout(layout) ||
        stream_.block_align != layout.bytes_per_sample * stream_.channels)
      throw sonatrix_io::exception_io_data();
  }
  data_end_bytes_ = stream_.data_length_bytes - stream_.data_length_bytes % stream_.block_align;
  // A non-seekable source arrives wherever its parser stopped, at or before the data.
  const uint64_t at = source_.position();
  if (source_.can_seek() || at > stream_.data_offset_bytes) {
    source_bytes_ = UINT64_MAX;  // seek on the first run
  } else {
    skip_forward(source_, stream_.data_offset_bytes - at, abort);
    source_bytes_ = 0;
  }
}

uint64_t sample_decoder::length_samples() const {
  if (samples_per_block_) return data_end_bytes_ / stream_.block_align * samples_per_block_;
  return data_end_bytes_ / stream_.block_align;
}

void sample_decoder::move_to(uint64_t relative_bytes, const abort_signal& abort) {
  if (source_bytes_ == relative_bytes) return;
  if (source_.can_seek()) {
    source_.seek(stream_.data_offset_bytes + relative_bytes, abort);
  } else {
    if (relative_bytes < source_bytes_) throw sonatrix_io::exception_io_object_not_seekable();
    const uint64_t want = relative_bytes - source_bytes_;
    if (skip_forward(source_, want, abort) != want) data_end_bytes_ = source_bytes_;
  }
  source_bytes_ = relative_bytes;
}

bool sample_decoder::run(pcm_chunk& chunk, const abort_signal& abort) {
  abort.check();
  return samples_per_block_ ? run_ima(chunk, abort) : run_pcm(chunk, abort);
}

bool sample_decoder::run_pcm(pcm_chunk& chunk, const abort_signal& abort) {
  if (read_bytes_ >= data_end_bytes_) return false;
  move_to(read_bytes_, abort);
  const uint32_t frame_bytes = stream_.block_align;
  const uint64_t frames_left = (data_end_bytes_ - read_bytes_) / frame_bytes;
  const auto frames = static_cast<uint32_t>(std::min<uint64_t>(frames_left, frames_per_run));
  const size_t want = static_cast<size_t>(frames) * frame_bytes;
  if (buffer_.size() < want) buffer_.resize(want);
  const size_t got = source_.read(buffer_.data(), want, abort);
  const auto got_frames = static_cast<uint32_t>(got / frame_bytes);
  source_bytes_ += got;
  if (got < want) data_end_bytes_ = read_bytes_ + static_cast<uint64_t>(got_frames) * frame_bytes;
  if (got_frames == 0) return false;
  read_bytes_ += static_cast<uint64_t>(got_frames) * frame_bytes;

  chunk.set_format(stream_.sample_rate, stream_.channels, stream_.channel_mask);
  const size_t count = static_cast<size_t>(got_frames) * stream_.channels;
  convert_samples(buffer_.data(), count, layout_of(stream_), chunk.reserve(count));
  chunk.set_sample_count(got_frames);
  return true;
}

bool sample_decoder::run_ima(pcm_chunk& chunk, const abort_signal& abort) {
  const uint32_t block_bytes = stream_.block_align;
  for (;;) {
    if (data_end_bytes_ - std::min(read_bytes_, data_end_bytes_) < block_bytes) return false;
    move_to(read_bytes_, abort);
    if (buffer_.size() < block_bytes) buffer_.resize(block_bytes);
    const size_t got = source_.read(buffer_.data(), block_bytes, abort);
    source_bytes_ += got;
    if (got < block_bytes) {
      data_end_bytes_ = read_bytes_;
      return false;
    }
    read_bytes_ += block_bytes;
    chunk.set_format(stream_.sample_rate, stream_.channels, stream_.channel_mask);
    decode_ima_adpcm_block(
        buffer_.data(), block_bytes, stream_.channels,
        chunk.reserve(static_cast<size_t>(samples_per_block_) * stream_.channels));
    chunk.set_sample_count(samples_per_block_);
    if (skip_samples_) {
      chunk.skip_first(skip_samples_);
      skip_samples_ = 0;
    }
    if (chunk.sample_count()) return true;
  }
}

void sample_decoder::seek(double seconds, const abort_signal& abort) {
  abort.check();
  if (!(seconds >= 0)) throw kel::exception_invalid_params("negative seek");
  const double exact = seconds * stream_.sample_rate;
  const uint64_t length = length_samples();
  const uint64_t sample =
      exact >= static_cast<double>(length) ? length : static_cast<uint64_t>(std::llround(exact));
  uint64_t target_bytes;
  if (samples_per_block_) {
    target_bytes = sample / samples_per_block_ * stream_.block_align;
    skip_samples_ = static_cast<uint32_t>(sample % samples_per_block_);
  } else {
    target_bytes = std::min(sample * stream_.block_align, data_end_bytes_);
  }
  // A non-seekable source can only go forward: skip now, so a backward seek fails here.
  if (!source_.can_seek()) move_to(target_bytes, abort);
  read_bytes_ = target_bytes;
}

}  // namespace lumo::pcm
