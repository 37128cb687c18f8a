#pragma once
// libmpg123 as a decoder of single frames: we hand it each frame the walker found, with
// its own parsing help (gapless trimming, Xing frame handling, read-ahead) switched off,
// and take 32-bit floats back. What it outputs per frame is every sample of the frame,
// the decoder's own delay included; trimming is ours.

#include <cstdint>
#include <span>
#include <string>

#include "input/pcm_chunk.h"

struct mpg123_handle_struct;

namespace lumo::mpeg {

class mpg123_decoder {
 public:
  // Throws exception_io_data ("MP3 decoding failure: ...") when the library cannot start.
  mpg123_decoder();
  ~mpg123_decoder();
  mpg123_decoder(const mpg123_decoder&) = delete;
  mpg123_decoder& operator=(const mpg123_decoder&) = delete;

  // Forgets everything (bit reservoir, filter state): after a seek or a resynchronisation.
  void reset();
  // Decodes one whole frame into chunk (replacing its contents). Returns false and sets
  // error to the library's text when it rejects the frame.
  bool decode(std::span<const uint8_t> frame, pcm_chunk& chunk, std::string& error);

 private:
  mpg123_handle_struct* handle_ = nullptr;
  uint32_t rate_ = 0;
  uint32_t channels_ = 0;
};

}  // namespace lumo::mpeg
