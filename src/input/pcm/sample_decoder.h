#pragma once
// Decodes the sample data a container parser described (PCM of any layout, or IMA ADPCM
// blocks) into pcm_chunk blocks, with sample-exact seeking.

#include <cstdint>
#include <vector>

#include "core/abort.h"
#include "fs/byte_source.h"
#include "input/pcm/stream_description.h"
#include "input/pcm_chunk.h"

namespace lumo::pcm {

class sample_decoder {
 public:
  // Throws exception_io_data when the description is not decodable. The source must
  // outlive the decoder; a non-seekable source must not yet be past the data start.
  sample_decoder(byte_source& source, const stream_description& stream, const abort_signal& abort);

  // The next block (1024 frames for PCM, one block for IMA ADPCM); false at the end.
  bool run(pcm_chunk& chunk, const abort_signal& abort);
  // Seeks to the sample nearest to seconds. Negative times throw
  // kel::exception_invalid_params; a backward seek on a non-seekable source throws
  // exception_io_object_not_seekable.
  void seek(double seconds, const abort_signal& abort);

  uint64_t length_samples() const;

  static constexpr uint32_t frames_per_run = 1024;

 private:
  bool run_pcm(pcm_chunk& chunk, const abort_signal& abort);
  bool run_ima(pcm_chunk& chunk, const abort_signal& abort);
  void move_to(uint64_t relative_bytes, const abort_signal& abort);

  byte_source& source_;
  stream_description stream_;
  uint32_t samples_per_block_ = 0;  // IMA ADPCM only
  uint64_t data_end_bytes_;         // relative to the data start; shrinks on a short read
  uint64_t read_bytes_ = 0;         // where the next run reads, relative to the data start
  uint64_t source_bytes_;           // where the source is, relative to the data start
  uint32_t skip_samples_ = 0;       // surplus of an IMA ADPCM seek, dropped from the next block
  std::vector<uint8_t> buffer_;
};

}  // namespace lumo::pcm
