#include "input/mpeg/mpg123_decoder.h"

#include <mpg123.h>

#include <cstring>
#include <mutex>

#include "core/exceptions.h"

namespace lumo::mpeg {

namespace {

[[noreturn]] void fail(const std::string& text) {
  throw sonatrix_io::exception_io_data("MP3 decoding failure: " + text);
}

void check(mpg123_handle* handle, int result) {
  if (result != MPG123_OK)
    fail(mpg123_plain_strerror(result) + std::string() +
         (handle ? std::string(" ") + mpg123_strerror(handle) : ""));
}

}  // namespace

mpg123_decoder::mpg123_decoder() {
  // Versions before 1.27 need the global set-up once; later ones ignore it.
  static std::once_flag init_once;
  std::call_once(init_once, [] { mpg123_init(); });
  int error = MPG123_OK;
  handle_ = mpg123_new(nullptr, &error);
  if (!handle_) fail(mpg123_plain_strerror(error));
  try {
    check(handle_,
          mpg123_param(handle_, MPG123_REMOVE_FLAGS, MPG123_GAPLESS | MPG123_AUTO_RESAMPLE, 0));
    // Whole frames arrive one at a time: no waiting for the next header, no info frame
    // (the walker never passes one), no printing.
    check(handle_, mpg123_param(handle_, MPG123_ADD_FLAGS,
                                MPG123_QUIET | MPG123_NO_READAHEAD | MPG123_IGNORE_INFOFRAME |
                                    MPG123_SKIP_ID3V2 | MPG123_NO_FRANKENSTEIN,
                                0));
    check(handle_, mpg123_format_none(handle_));
    const long* rates = nullptr;
    size_t rate_count = 0;
    mpg123_rates(&rates, &rate_count);
    for (size_t i = 0; i < rate_count; ++i)
      check(handle_,
            mpg123_format(handle_, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32));
    check(handle_, mpg123_open_feed(handle_));
  } catch (...) {
    mpg123_delete(handle_);
    throw;
  }
}

mpg123_decoder::~mpg123_decoder() {
  mpg123_delete(handle_);
}

void mpg123_decoder::reset() {
  check(handle_, mpg123_open_feed(handle_));
}

bool mpg123_decoder::decode(std::span<const uint8_t> frame, pcm_chunk& chunk, std::string& error) {
  chunk.set_sample_count(0);
  if (mpg123_feed(handle_, frame.data(), frame.size()) != MPG123_OK) {
    error = mpg123_strerror(handle_);
    return false;
  }
  uint32_t samples = 0;
  for (;;) {
    off_t frame_number = 0;
    unsigned char* audio = nullptr;
    size_t bytes = 0;
    const int result = mpg123_decode_frame(handle_, &frame_number, &audio, &bytes);
    if (result == MPG123_NEW_FORMAT) {
      long rate = 0;
      int channels = 0, encoding = 0;
      mpg123_getformat(handle_, &rate, &channels, &encoding);
      if (encoding != MPG123_ENC_FLOAT_32 || channels < 1 || channels > 2) {
        error = "unexpected output format";
        return false;
      }
      rate_ = static_cast<uint32_t>(rate);
      channels_ = static_cast<uint32_t>(channels);
      continue;
    }
    if (result == MPG123_NEED_MORE || result == MPG123_DONE) break;
    if (result != MPG123_OK) {
      error = mpg123_strerror(handle_);
      return false;
    }
    if (!bytes) continue;
    chunk.set_format(rate_, channels_, channels_ == 1 ? 0x4 : 0x3);
    const uint32_t added = static_cast<uint32_t>(bytes / (sizeof(float) * channels_));
    float* out = chunk.reserve(static_cast<size_t>(samples + added) * channels_);
    std::memcpy(out + static_cast<size_t>(samples) * channels_, audio,
                static_cast<size_t>(added) * channels_ * sizeof(float));
    samples += added;
    chunk.set_sample_count(samples);
  }
  return true;
}

}  // namespace lumo::mpeg
