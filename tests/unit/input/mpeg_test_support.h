#pragma once
// Helpers for the MPEG audio tests: fixtures as memory files, whole decodes, the source
// signal of a fixture.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "fs/memory_file.h"
#include "input/input_open.h"
#include "input/mpeg/mpeg_input.h"
#include "test_support.h"

namespace lumo::test {

inline std::string mpeg_fixture(std::string_view name) {
  return std::string(LUMO_TEST_FIXTURES) + "/mpeg/" + std::string(name);
}

inline file_ptr memory_file_of(const std::vector<uint8_t>& bytes) {
  auto file = make_memory_file();
  file->write(bytes.data(), bytes.size(), abort_none());
  file->seek(0, abort_none());
  return file;
}

struct decoded_audio {
  std::vector<float> samples;  // interleaved
  uint32_t channels = 0;
  uint32_t sample_rate = 0;
  size_t frames() const { return channels ? samples.size() / channels : 0; }
};

inline decoded_audio decode_all(input_decoder& decoder, size_t max_blocks = SIZE_MAX) {
  decoded_audio out;
  pcm_chunk chunk;
  for (size_t i = 0; i < max_blocks && decoder.run(chunk, abort_none()); ++i) {
    if (!chunk.is_valid()) throw std::runtime_error("invalid block");
    out.channels = chunk.channels();
    out.sample_rate = chunk.sample_rate();
    out.samples.insert(out.samples.end(), chunk.data(), chunk.data() + chunk.data_size());
  }
  return out;
}

// A decoder over bytes; url names it in the seek-table cache, so distinct contents need
// distinct names.
inline std::shared_ptr<input_decoder> open_mp3(const std::vector<uint8_t>& bytes,
                                               const std::string& url, uint32_t flags = 0,
                                               event_logger* logger = nullptr) {
  auto decoder = open_input_decoder(url, memory_file_of(bytes), abort_none());
  decoder->set_event_logger(logger);
  decoder->initialize(0, flags, abort_none());
  return decoder;
}

inline decoded_audio decode_bytes(const std::vector<uint8_t>& bytes, const std::string& url,
                                  uint32_t flags = 0, event_logger* logger = nullptr) {
  return decode_all(*open_mp3(bytes, url, flags, logger));
}

// The 16-bit source a fixture was encoded from, through the WAV handler.
inline decoded_audio original_of(std::string_view name) {
  const std::string stem(name.substr(0, name.rfind('.')));
  const auto bytes = read_file(mpeg_fixture("orig/" + stem + ".wav"));
  auto decoder = open_input_decoder("tempmem://orig.wav", memory_file_of(bytes), abort_none());
  decoder->initialize(0, 0, abort_none());
  return decode_all(*decoder);
}

}  // namespace lumo::test
