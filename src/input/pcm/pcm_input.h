#pragma once
// The decoder and info reader of the PCM containers (WAV family, IFF family, AU): one
// object parses the header when opened and decodes through the sample decoder.

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fs/file_byte_source.h"
#include "input/input_handler.h"
#include "input/pcm/pcm_file_info.h"
#include "input/pcm/sample_decoder.h"

namespace lumo::pcm {

enum class pcm_container { wav, aiff, au };

// Parses the container's header from the start of source.
pcm_file_info parse_container(pcm_container container, byte_source& source, event_logger& logger,
                              const abort_signal& abort);

// Copies length, technical and metadata fields into out (replacing its contents).
void fill_track_info(const pcm_file_info& info, track_info_mutable& out);
// Reads the ID3v2 tag of an "id3 " chunk into out: its fields replace container fields of
// the same name, and "tagtype" is set. A malformed tag is exception_io_data.
void merge_id3v2_chunk(std::span<const uint8_t> chunk, uint64_t chunk_offset,
                       track_info_mutable& out);

class pcm_input final : public input_decoder {
 public:
  // Parses the header; throws exception_io_data (or a more specific I/O error) when the
  // file is not this container or is damaged.
  pcm_input(pcm_container container, file_ptr file, const abort_signal& abort);

  void get_info(uint32_t subsong_index, track_info_mutable& out,
                const abort_signal& abort) override;
  file_stats get_file_stats(const abort_signal& abort) override;
  void initialize(uint32_t subsong_index, uint32_t flags, const abort_signal& abort) override;
  bool run(pcm_chunk& chunk, const abort_signal& abort) override;
  void seek(double seconds, const abort_signal& abort) override;
  bool can_seek() override { return source_.can_seek(); }
  bool get_dynamic_info(track_info_mutable&, double&) override { return false; }
  bool get_dynamic_track_info(track_info_mutable&, double&) override { return false; }
  // False for codecs the file can be described in but not decoded with.
  bool is_decodable() const { return info_.is_decodable; }
  void on_idle(const abort_signal&) override {}
  void set_event_logger(event_logger* logger) override;

 private:
  // Holds the header parser's warnings until the caller's logger arrives.
  class pending_logger final : public event_logger {
   public:
    void log(std::string_view text, event_severity severity) override {
      events.emplace_back(std::string(text), severity);
    }
    std::vector<std::pair<std::string, event_severity>> events;
  };

  file_byte_source source_;
  pcm_file_info info_;
  pending_logger pending_;
  event_logger* logger_ = &null_event_logger();
  std::optional<sample_decoder> decoder_;
  std::vector<uint8_t> id3v2_chunk_;
};

}  // namespace lumo::pcm
