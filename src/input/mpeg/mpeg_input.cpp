#include "input/mpeg/mpeg_input.h"

#include <chrono>
#include <cmath>

#include "core/byte_cursor.h"
#include "core/exceptions.h"
#include "input/input_exceptions.h"
#include "input/mpeg/mpeg_tags.h"

namespace lumo::mpeg {

namespace {

// Frames this many samples or more before a seek target are only counted; the ones after
// are decoded so the bit reservoir and the filter banks hold what a full decode holds.
constexpr uint64_t seek_preroll_samples = 11520;

void check_single_track(uint32_t subsong_index) {
  if (subsong_index != 0) throw sonatrix_io::exception_io_data();
}

const char* stereo_mode_name(channel_mode mode) {
  switch (mode) {
    case channel_mode::stereo: return "stereo";
    case channel_mode::joint_stereo: return "joint stereo";
    case channel_mode::dual_channel: return "dual channel";
    case channel_mode::mono: return "mono";
  }
  return "";
}

}  // namespace

uint32_t decoder_delay_samples(uint8_t layer) {
  switch (layer) {
    case 3: return 529;
    case 2: return 481;
    default: return 0;
  }
}

mpeg_input::mpeg_input(file_ptr file, std::string path, const abort_signal& abort)
    : path_(std::move(path)) {
  open_stream(std::move(file), abort);
}

void mpeg_input::open_stream(file_ptr file, const abort_signal& abort) {
  walker_.reset();
  source_.emplace(std::move(file), abort);
  if (source_->position() != 0) source_->seek(0, abort);
  walker_ = std::make_unique<frame_walker>(*source_);
  layout_ = walker_->open(pending_, abort);

  const frame_header& first = layout_.first;
  decoder_delay_ = decoder_delay_samples(first.layer);
  start_trim_samples_ = decoder_delay_;
  is_exact_length_ = layout_.is_frame_count_exact;
  total_samples_.reset();
  if (layout_.frame_count) {
    const uint64_t decoded = *layout_.frame_count * first.samples_per_frame;
    int64_t total = static_cast<int64_t>(decoded) - decoder_delay_;
    if (layout_.vbr && layout_.vbr->encoder_delay_samples) {
      const uint64_t encoder =
          *layout_.vbr->encoder_delay_samples + *layout_.vbr->encoder_padding_samples;
      // Values that would leave nothing are not gapless information we can use.
      if (encoder < decoded) {
        total = static_cast<int64_t>(decoded - encoder);
        start_trim_samples_ += *layout_.vbr->encoder_delay_samples;
      }
    }
    if (total <= 0) throw_data_error("MPEG stream", layout_.first_frame_offset, "no samples");
    total_samples_ = static_cast<uint64_t>(total);
  }
  walker_->set_limits(is_exact_length_ ? layout_.frame_count : std::nullopt, layout_.stream_end);
  walker_->reposition(layout_.audio_offset, 0);
  if (source_->can_seek() && layout_.stream_end)
    table_ =
        acquire_seek_table(path_, layout_.audio_offset, *layout_.stream_end - layout_.audio_offset);
  walker_->set_seek_table(table_);
}

void mpeg_input::get_info(uint32_t subsong_index, track_info_mutable& out,
                          const abort_signal& abort) {
  abort.check();
  check_single_track(subsong_index);
  out.reset();
  const frame_header& first = layout_.first;
  out.set_length(total_samples_ ? static_cast<double>(*total_samples_) / first.sample_rate : -1.0);
  out.info_set("codec", first.layer == 1 ? "MP1" : first.layer == 2 ? "MP2" : "MP3");
  out.info_set("encoding", "lossy");
  uint64_t bitrate_kbps = first.bitrate_kbps;
  if (source_->can_seek() && layout_.frame_count && *layout_.frame_count && layout_.stream_end) {
    const double seconds =
        static_cast<double>(*layout_.frame_count) * first.samples_per_frame / first.sample_rate;
    const double bytes = static_cast<double>(*layout_.stream_end - layout_.audio_offset);
    bitrate_kbps = static_cast<uint64_t>(std::llround(bytes * 8 / seconds / 1000));
  }
  out.info_set("bitrate", std::to_string(bitrate_kbps));
  out.info_set("channels", std::to_string(first.channels));
  out.info_set("samplerate", std::to_string(first.sample_rate));
  out.info_set("mp3_stereo_mode", stereo_mode_name(first.mode));
  out.info_set("codec_profile", layout_.vbr ? layout_.vbr->codec_profile : "CBR");
  if (layout_.vbr) {
    if (!layout_.vbr->tool.empty()) out.info_set("tool", layout_.vbr->tool);
    if (layout_.vbr->encoder_delay_samples) {
      out.info_set("enc_delay", std::to_string(*layout_.vbr->encoder_delay_samples));
      out.info_set("enc_padding", std::to_string(*layout_.vbr->encoder_padding_samples));
    }
  }
  if (is_exact_length_) out.info_set("mp3_accurate_length", "yes");
  read_mpeg_tags(*source_->file(), out, abort);
}

file_stats mpeg_input::get_file_stats(const abort_signal& abort) {
  file_stats stats;
  stats.size = source_->file()->get_size(abort);
  stats.timestamp = source_->file()->get_timestamp(abort);
  return stats;
}

void mpeg_input::initialize(uint32_t subsong_index, uint32_t flags, const abort_signal& abort) {
  abort.check();
  check_single_track(subsong_index);
  flags_ = flags;
  if (!decoder_) decoder_ = std::make_unique<mpg123_decoder>();
  decoder_->reset();
  walker_->set_reporting(logger_, flags & input_flag_integrity_check);
  walker_->reset_one_shot_reports();
  walker_->reposition(layout_.audio_offset, 0);
  is_layer_mismatch_reported_ = false;
  is_past_end_ = false;
  drop_until_raw_ = 0;
  position_samples_ = 0;
}

void mpeg_input::report(const std::string& text, event_severity severity) {
  if ((flags_ & input_flag_integrity_check) && severity == event_severity::error)
    throw sonatrix_io::exception_io_data(text);
  logger_->log(text, severity);
}

bool mpeg_input::run(pcm_chunk& chunk, const abort_signal& abort) {
  if (!decoder_) throw kel::exception_dynamic_assert("run before initialize");
  for (;;) {
    try {
      return run_frames(chunk, abort);
    } catch (const sonatrix_io::exception_io_net&) {
      // A network stream dropped: wait, reopen and carry on where the output stood.
      if (abort.wait_for(std::chrono::seconds(1))) throw kel::exception_aborted();
      const uint64_t resume_at = position_samples_;
      open_stream(open_file(path_, open_mode::read, abort), abort);
      walker_->set_reporting(logger_, flags_ & input_flag_integrity_check);
      decoder_->reset();
      if (source_->can_seek()) {
        seek_to_sample(resume_at, abort);
      } else {
        // A stream starts over: skip what was already played.
        drop_until_raw_ = resume_at + start_trim_samples_;
        position_samples_ = resume_at;
      }
    }
  }
}

bool mpeg_input::run_frames(pcm_chunk& chunk, const abort_signal& abort) {
  const uint64_t end_raw =
      total_samples_ && is_exact_length_ ? start_trim_samples_ + *total_samples_ : UINT64_MAX;
  while (!is_past_end_) {
    abort.check();
    walked_frame frame;
    if (!walker_->next(frame, walk_mode::decode, abort)) return false;
    if (walker_->take_discontinuity()) decoder_->reset();
    if (frame.header.layer != layout_.first.layer && !is_layer_mismatch_reported_) {
      is_layer_mismatch_reported_ = true;
      report("Expected MPEG layer " + std::to_string(layout_.first.layer) + ", found layer " +
                 std::to_string(frame.header.layer) + ".",
             event_severity::error);
    }
    const uint64_t frame_raw = frame.frame_number * layout_.first.samples_per_frame;
    if (frame_raw >= end_raw) {
      is_past_end_ = true;
      return false;
    }
    std::string error;
    if (!decoder_->decode(frame.bytes, chunk, error)) {
      report("MP3 decoding failure: " + error, event_severity::error);
      continue;
    }
    const uint64_t first_wanted = std::max(drop_until_raw_, start_trim_samples_);
    const uint64_t count = chunk.sample_count();
    const uint64_t skip = first_wanted > frame_raw ? std::min(first_wanted - frame_raw, count) : 0;
    if (skip) chunk.skip_first(static_cast<uint32_t>(skip));
    const uint64_t kept_raw = frame_raw + skip;
    if (kept_raw + chunk.sample_count() > end_raw)
      chunk.set_sample_count(static_cast<uint32_t>(end_raw > kept_raw ? end_raw - kept_raw : 0));
    if (chunk.sample_count() == 0) continue;
    position_samples_ = kept_raw - start_trim_samples_ + chunk.sample_count();
    return true;
  }
  return false;
}

void mpeg_input::seek(double seconds, const abort_signal& abort) {
  if (!decoder_) throw kel::exception_dynamic_assert("seek before initialize");
  if (!can_seek()) throw kel::exception_not_implemented();
  if (!(seconds >= 0)) throw kel::exception_invalid_params();
  seek_to_sample(static_cast<uint64_t>(std::llround(seconds * layout_.first.sample_rate)), abort);
}

void mpeg_input::seek_to_sample(uint64_t target, const abort_signal& abort) {
  is_past_end_ = false;
  position_samples_ = target;
  const uint64_t raw = target + start_trim_samples_;
  drop_until_raw_ = raw;
  const uint64_t spf = layout_.first.samples_per_frame;
  const uint64_t target_frame = raw / spf;
  const uint64_t preroll_frames = (seek_preroll_samples + spf - 1) / spf;
  const uint64_t decode_from = target_frame > preroll_frames ? target_frame - preroll_frames : 0;
  if (total_samples_ && is_exact_length_ && target >= *total_samples_) {
    is_past_end_ = true;
    return;
  }
  // The nearest recorded frame, unless the walk already stands closer.
  const uint64_t here = walker_->frame_number();
  if (here > decode_from || here == 0) {
    if (const auto entry = table_ ? table_->find(decode_from) : std::nullopt) {
      walker_->reposition(entry->offset_bytes, entry->frame_number);
    } else {
      walker_->reposition(layout_.audio_offset, 0);
    }
  } else if (const auto entry = table_ ? table_->find(decode_from) : std::nullopt;
             entry && entry->frame_number > here) {
    walker_->reposition(entry->offset_bytes, entry->frame_number);
  }
  walked_frame frame;
  while (walker_->frame_number() < decode_from) {
    abort.check();
    if (!walker_->next(frame, walk_mode::count, abort)) break;
  }
  walker_->take_discontinuity();
  decoder_->reset();
}

void mpeg_input::set_event_logger(event_logger* logger) {
  logger_ = logger ? logger : &null_event_logger();
  for (const auto& [text, severity] : pending_.events) logger_->log(text, severity);
  pending_.events.clear();
  if (decoder_) walker_->set_reporting(logger_, flags_ & input_flag_integrity_check);
}

}  // namespace lumo::mpeg
