#pragma once
// The decoder and info reader of MPEG audio files: the frame walker finds and measures
// the stream, libmpg123 decodes the frames it finds, and this object trims the decoder
// and encoder delays and the padding so the output holds exactly the encoded signal.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fs/file_byte_source.h"
#include "input/input_handler.h"
#include "input/mpeg/frame_walker.h"
#include "input/mpeg/mpg123_decoder.h"

namespace lumo::mpeg {

// Bit 3 of initialize's flags: every stream problem is an error, not a report.
inline constexpr uint32_t input_flag_integrity_check = 1 << 3;

// Samples the decoder itself puts before the signal, by layer (1..3).
uint32_t decoder_delay_samples(uint8_t layer);

class mpeg_input final : public input_decoder {
 public:
  // Opens and measures the stream; throws exception_io_data when it holds no MPEG audio.
  // path is kept to reopen the file after a network error.
  mpeg_input(file_ptr file, std::string path, const abort_signal& abort);

  void get_info(uint32_t subsong_index, track_info_mutable& out,
                const abort_signal& abort) override;
  file_stats get_file_stats(const abort_signal& abort) override;
  void initialize(uint32_t subsong_index, uint32_t flags, const abort_signal& abort) override;
  bool run(pcm_chunk& chunk, const abort_signal& abort) override;
  void seek(double seconds, const abort_signal& abort) override;
  bool can_seek() override { return source_->can_seek(); }
  bool get_dynamic_info(track_info_mutable&, double&) override { return false; }
  bool get_dynamic_track_info(track_info_mutable&, double&) override { return false; }
  void on_idle(const abort_signal&) override {}
  void set_event_logger(event_logger* logger) override;

  // Output samples per channel, when known.
  std::optional<uint64_t> length_samples() const { return total_samples_; }

 private:
  class pending_logger final : public event_logger {
   public:
    void log(std::string_view text, event_severity severity) override {
      events.emplace_back(std::string(text), severity);
    }
    std::vector<std::pair<std::string, event_severity>> events;
  };

  void open_stream(file_ptr file, const abort_signal& abort);
  bool run_frames(pcm_chunk& chunk, const abort_signal& abort);
  void seek_to_sample(uint64_t target, const abort_signal& abort);
  void report(const std::string& text, event_severity severity);

  std::string path_;
  std::optional<file_byte_source> source_;
  std::unique_ptr<frame_walker> walker_;
  stream_layout layout_;
  pending_logger pending_;
  event_logger* logger_ = &null_event_logger();

  // Fixed when opened.
  uint32_t decoder_delay_ = 0;
  uint64_t start_trim_samples_ = 0;  // decoder delay plus the encoder's, in decoded samples
  std::optional<uint64_t> total_samples_;
  bool is_exact_length_ = false;
  std::shared_ptr<seek_table> table_;

  // Decoding state, from initialize on.
  std::unique_ptr<mpg123_decoder> decoder_;
  uint32_t flags_ = 0;
  bool is_layer_mismatch_reported_ = false;
  uint64_t drop_until_raw_ = 0;    // decoded samples before this index are not output
  uint64_t position_samples_ = 0;  // output index of the next sample run() returns
  bool is_past_end_ = false;
};

}  // namespace lumo::mpeg
