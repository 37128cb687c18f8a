// Feeds arbitrary bytes to the AIFF header parser and decodes whatever it accepts.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "core/abort.h"
#include "core/exceptions.h"
#include "input/byte_source.h"
#include "input/pcm/aiff_parser.h"
#include "input/pcm/sample_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte picks seekable or streamed reading, so both parser paths are fuzzed.
  if (size == 0) return 0;
  const bool is_seekable = data[0] & 1;
  lumo::memory_byte_source source({data + 1, size - 1}, is_seekable);
  try {
    const auto info = lumo::pcm::parse_aiff(source, lumo::null_event_logger(), lumo::abort_none());
    if (!info.is_decodable) return 0;
    lumo::pcm::sample_decoder decoder(source, info.stream, lumo::abort_none());
    lumo::pcm_chunk chunk;
    for (int i = 0; i < 64 && decoder.run(chunk, lumo::abort_none()); ++i) {
      if (!chunk.is_valid()) __builtin_trap();
    }
    if (is_seekable) {
      decoder.seek(0.001, lumo::abort_none());
      decoder.run(chunk, lumo::abort_none());
    }
  } catch (const kel::exception&) {
  }
  return 0;
}
