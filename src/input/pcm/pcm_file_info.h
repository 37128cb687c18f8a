#pragma once
// What the PCM container parsers report: the stream, whether this program can decode
// it, and the technical and metadata fields for the track information record.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "input/pcm/stream_description.h"

namespace lumo::pcm {

using field_list = std::vector<std::pair<std::string, std::string>>;

struct pcm_file_info {
  stream_description stream;
  // False for formats that can be described but not decoded (Microsoft ADPCM, G.711 in
  // WAV, ...): opening them for decoding fails with exception_io_data.
  bool is_decodable = false;
  field_list technical;  // "samplerate", "channels", "codec", ...
  field_list meta;       // "title", "artist", ... in file order
  std::optional<double> length_seconds;
  // An ID3v2 tag stored in an "id3 "/"ID3 " chunk, for the tag reader.
  std::optional<uint64_t> id3v2_offset_bytes;
  uint64_t id3v2_size_bytes = 0;
};

}  // namespace lumo::pcm
