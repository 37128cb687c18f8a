#pragma once
// Shared body of the PCM container fuzz targets: parse with the given header parser,
// then decode (and seek in) whatever it accepts.
#include <cstddef>
#include <cstdint>

#include "core/abort.h"
#include "core/exceptions.h"
#include "fs/byte_source.h"
#include "input/pcm/sample_decoder.h"

template <class parse_fn>
int fuzz_pcm_container(const uint8_t* data, size_t size, parse_fn parse) {
  // The first byte picks seekable or streamed reading, so both parser paths are fuzzed.
  if (size == 0) return 0;
  const bool is_seekable = data[0] & 1;
  lumo::memory_byte_source source({data + 1, size - 1}, is_seekable);
  try {
    const auto info = parse(source, lumo::null_event_logger(), lumo::abort_none());
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
