#include "input/pcm/pcm_input.h"

#include <algorithm>

#include "core/exceptions.h"
#include "input/pcm/aiff_parser.h"
#include "input/pcm/au_parser.h"
#include "input/pcm/wav_parser.h"
#include "tags/file_tags.h"

namespace lumo::pcm {

namespace {

void check_single_track(uint32_t subsong_index) {
  if (subsong_index != 0) throw sonatrix_io::exception_io_data();
}

}  // namespace

pcm_file_info parse_container(pcm_container container, byte_source& source, event_logger& logger,
                              const abort_signal& abort) {
  switch (container) {
    case pcm_container::wav: return parse_wav(source, logger, abort);
    case pcm_container::aiff: return parse_aiff(source, logger, abort);
    case pcm_container::au: return parse_au(source, logger, abort);
  }
  throw kel::exception_bug_check("unknown PCM container");
}

void fill_track_info(const pcm_file_info& info, track_info_mutable& out) {
  out.reset();
  if (info.length_seconds) out.set_length(*info.length_seconds);
  for (const auto& [name, value] : info.technical) out.info_set(name, value);
  for (const auto& [name, value] : info.meta) out.meta_add_value(name, value);
}

void merge_id3v2_chunk(std::span<const uint8_t> chunk, uint64_t chunk_offset,
                       track_info_mutable& out) {
  track_info_mutable tag;
  read_id3v2(chunk, chunk_offset, tag);
  // The ID3v2 tag is the richer source: its fields replace same-named container ones.
  for (size_t i = 0; i < tag.meta_count(); ++i) {
    std::vector<std::string> values;
    for (size_t v = 0; v < tag.meta_value_count(i); ++v) values.emplace_back(tag.meta_value(i, v));
    out.meta_set_values(tag.meta_name(i), values);
  }
  auto replaygain = tag.get_replaygain();
  replaygain.fill_missing(out.get_replaygain());
  out.set_replaygain(replaygain);
  for (size_t i = 0; i < tag.info_count(); ++i) out.info_set(tag.info_name(i), tag.info_value(i));
}

pcm_input::pcm_input(pcm_container container, file_ptr file, const abort_signal& abort)
    : source_(std::move(file), abort) {
  if (source_.position() != 0) source_.seek(0, abort);
  info_ = parse_container(container, source_, pending_, abort);
  if (info_.id3v2_offset_bytes && source_.can_seek()) {
    // Kept as bytes and parsed by get_info, so a damaged tag fails reading the
    // information, not playing the file. The chunk size is clamped to the file.
    const uint64_t offset = *info_.id3v2_offset_bytes;
    const uint64_t file_bytes = source_.size().value_or(0);
    const uint64_t size =
        offset < file_bytes ? std::min(info_.id3v2_size_bytes, file_bytes - offset) : 0;
    id3v2_chunk_.resize(static_cast<size_t>(size));
    source_.seek(offset, abort);
    id3v2_chunk_.resize(source_.read(id3v2_chunk_.data(), id3v2_chunk_.size(), abort));
  }
}

void pcm_input::get_info(uint32_t subsong_index, track_info_mutable& out,
                         const abort_signal& abort) {
  abort.check();
  check_single_track(subsong_index);
  fill_track_info(info_, out);
  if (info_.id3v2_offset_bytes) merge_id3v2_chunk(id3v2_chunk_, *info_.id3v2_offset_bytes, out);
}

file_stats pcm_input::get_file_stats(const abort_signal& abort) {
  file_stats stats;
  stats.size = source_.file()->get_size(abort);
  stats.timestamp = source_.file()->get_timestamp(abort);
  return stats;
}

void pcm_input::initialize(uint32_t subsong_index, uint32_t, const abort_signal& abort) {
  check_single_track(subsong_index);
  if (!info_.is_decodable) throw sonatrix_io::exception_io_data();
  decoder_.emplace(source_, info_.stream, abort);
}

bool pcm_input::run(pcm_chunk& chunk, const abort_signal& abort) {
  if (!decoder_) throw kel::exception_dynamic_assert("run before initialize");
  return decoder_->run(chunk, abort);
}

void pcm_input::seek(double seconds, const abort_signal& abort) {
  if (!decoder_) throw kel::exception_dynamic_assert("seek before initialize");
  if (!can_seek()) throw kel::exception_not_implemented();
  decoder_->seek(seconds, abort);
}

void pcm_input::set_event_logger(event_logger* logger) {
  logger_ = logger ? logger : &null_event_logger();
  for (const auto& [text, severity] : pending_.events) logger_->log(text, severity);
  pending_.events.clear();
}

}  // namespace lumo::pcm
