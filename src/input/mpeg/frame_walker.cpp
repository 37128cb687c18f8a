#include "input/mpeg/frame_walker.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/byte_cursor.h"
#include "core/exceptions.h"

namespace lumo::mpeg {

namespace {

// Bytes kept behind the read position so a resynchronisation can return to a candidate
// found up to one frame before the bytes that confirmed it, even on a stream.
constexpr uint64_t history_bytes = 32768;
constexpr size_t refill_bytes = 65536;

bool starts_with(const uint8_t* p, std::string_view magic) {
  return std::memcmp(p, magic.data(), magic.size()) == 0;
}

}  // namespace

size_t frame_walker::ensure(uint64_t offset, size_t count, const abort_signal& abort) {
  const uint64_t buffer_end = buffer_base_ + buffer_.size();
  if (offset >= buffer_base_ && offset + count <= buffer_end) return count;
  if (offset < buffer_base_ || (offset > buffer_end && source_.can_seek())) {
    source_.seek(offset, abort);  // throws exception_io_object_not_seekable on a stream
    buffer_.clear();
    buffer_base_ = offset;
  } else if (offset > buffer_end) {
    buffer_.clear();
    buffer_base_ = buffer_end + skip_forward(source_, offset - buffer_end, abort);
    if (buffer_base_ < offset) return 0;
  }
  if (offset - buffer_base_ > history_bytes) {
    const size_t drop = static_cast<size_t>(offset - buffer_base_ - history_bytes);
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<ptrdiff_t>(drop));
    buffer_base_ += drop;
  }
  const uint64_t wanted_end = offset + count;
  while (buffer_base_ + buffer_.size() < wanted_end) {
    abort.check();
    const size_t old_size = buffer_.size();
    const uint64_t have = buffer_base_ + old_size;
    size_t ask = std::max<size_t>(refill_bytes, wanted_end - have);
    // A small file is read whole, not in a block sized for large ones.
    if (const auto size = source_.size(); size && *size > have)
      ask = static_cast<size_t>(std::min<uint64_t>(ask, std::max(*size - have, wanted_end - have)));
    buffer_.resize(old_size + ask);
    const size_t got = source_.read(buffer_.data() + old_size, ask, abort);
    buffer_.resize(old_size + got);
    if (got < ask) break;
  }
  const uint64_t have_end = buffer_base_ + buffer_.size();
  return have_end > offset ? static_cast<size_t>(std::min<uint64_t>(count, have_end - offset)) : 0;
}

uint64_t frame_walker::data_end() const {
  if (stream_end_) return *stream_end_;
  return source_.size().value_or(UINT64_MAX);
}

std::optional<uint64_t> frame_walker::scan_for_frame(uint64_t from, const abort_signal& abort) {
  const uint64_t limit = source_.can_seek() ? scan_limit_seekable_bytes : scan_limit_stream_bytes;
  // Where the data ends when that is known (UINT64_MAX otherwise): no confirmation is
  // asked of the last frame.
  uint64_t known_end = UINT64_MAX;
  if (stream_end_) {
    known_end = *stream_end_;
  } else if (source_.can_seek()) {
    known_end = source_.size().value_or(UINT64_MAX);
  }
  uint64_t window = from;
  uint64_t scanned = 0;
  for (;;) {
    const size_t got = ensure(window, scan_window_bytes, abort);
    // ensure() may move the buffer while confirming; copy the window first.
    std::vector<uint8_t> bytes(data_at(window), data_at(window) + got);
    for (size_t i = 0; i + 4 <= got; ++i) {
      const uint64_t candidate = window + i;
      if (candidate + 4 > known_end) return std::nullopt;
      const auto header = parse_frame_header(&bytes[i]);
      if (!header) continue;
      const uint64_t next = candidate + header->frame_bytes;
      if (known_end != UINT64_MAX && next + 4 <= known_end) {
        uint8_t follow[4];
        if (i + header->frame_bytes + 4 <= got) {
          std::memcpy(follow, &bytes[i + header->frame_bytes], 4);
        } else if (ensure(next, 4, abort) == 4) {
          std::memcpy(follow, data_at(next), 4);
        } else {
          continue;
        }
        const auto confirmation = parse_frame_header(follow);
        if (!confirmation || confirmation->sample_rate != header->sample_rate ||
            confirmation->channels != header->channels)
          continue;
      }
      return candidate;
    }
    if (got < scan_window_bytes) return std::nullopt;
    window += got - 3;
    scanned += got - 3;
    if (scanned >= limit) return std::nullopt;
  }
}

stream_layout frame_walker::open(event_logger& logger, const abort_signal& abort) {
  stream_layout layout;
  uint64_t offset = 0;
  // ID3v2 tags (ID3v2.4 3.1): "ID3", version, flags, a synchsafe size; a footer adds ten.
  for (;;) {
    if (ensure(offset, 10, abort) < 10) break;
    const uint8_t* p = data_at(offset);
    if (!starts_with(p, "ID3") || p[3] == 0xFF || p[4] == 0xFF ||
        ((p[6] | p[7] | p[8] | p[9]) & 0x80))
      break;
    const uint64_t size = uint64_t{p[6]} << 21 | uint64_t{p[7]} << 14 | p[8] << 7 | p[9];
    offset += 10 + size + ((p[5] & 0x10) ? 10 : 0);
    ++layout.id3v2_tag_count;
  }
  if (layout.id3v2_tag_count > 1)
    logger.log("Multiple ID3v2 tags encountered", event_severity::warning);

  // Trailing tags are not audio: an ID3v1 tag in the last 128 bytes, an APEv2 tag before
  // it or at the very end (APE tag footer, version 2: "APETAGEX", size excluding the
  // header, flags whose bit 31 says a header precedes).
  const auto size = source_.can_seek() ? source_.size() : std::nullopt;
  if (size) {
    uint64_t end = *size;
    if (end >= offset + 128 && ensure(end - 128, 3, abort) == 3 &&
        starts_with(data_at(end - 128), "TAG"))
      end -= 128;
    if (end >= offset + 32 && ensure(end - 32, 32, abort) == 32 &&
        starts_with(data_at(end - 32), "APETAGEX")) {
      byte_cursor footer({data_at(end - 32), 32}, "APE tag footer", end - 32);
      footer.skip(12);
      const uint64_t tag_bytes = footer.u32le();
      footer.skip(4);
      const uint32_t flags = footer.u32le();
      const uint64_t whole = tag_bytes + ((flags & 0x80000000u) ? 32 : 0);
      if (whole >= 32 && whole <= end - offset) end -= whole;
    }
    stream_end_ = end;
    layout.stream_end = end;
  }

  const auto first = scan_for_frame(offset, abort);
  if (!first) throw_data_error("MPEG stream", offset, "no MPEG audio frame found");
  ensure(*first, 4, abort);
  layout.first = *parse_frame_header(data_at(*first));
  layout.first_frame_offset = *first;
  layout.audio_offset = *first;
  if (!source_.can_seek()) return layout;

  const uint32_t frame_bytes = layout.first.frame_bytes;
  const size_t got = ensure(*first, frame_bytes, abort);
  const std::span<const uint8_t> frame(data_at(*first), got);
  if (layout.first.layer == 3) layout.vbr = parse_xing_header(layout.first, frame);
  if (!layout.vbr) layout.vbr = parse_vbri_header(frame);
  const uint64_t end = layout.stream_end.value_or(*first + frame_bytes);
  if (layout.vbr) {
    layout.audio_offset = *first + frame_bytes;
    layout.frame_count = layout.vbr->frame_count;
    layout.is_frame_count_exact = true;
  } else {
    const double frame_average_bytes = layout.first.bitrate_kbps * 125.0 *
                                       layout.first.samples_per_frame / layout.first.sample_rate;
    layout.frame_count = static_cast<uint64_t>(
        std::llround(static_cast<double>(end - *first) / frame_average_bytes));
  }
  return layout;
}

void frame_walker::set_reporting(event_logger* logger, bool is_strict) {
  logger_ = logger ? logger : &null_event_logger();
  is_strict_ = is_strict;
}

void frame_walker::report(const std::string& text, event_severity severity) {
  if (is_strict_ && severity == event_severity::error) throw sonatrix_io::exception_io_data(text);
  logger_->log(text, severity);
}

void frame_walker::reposition(uint64_t offset_bytes, uint64_t frame_number) {
  position_ = offset_bytes;
  frame_number_ = frame_number;
  is_ended_ = false;
}

bool frame_walker::next(walked_frame& out, walk_mode mode, const abort_signal& abort) {
  for (;;) {
    if (is_ended_) return false;
    const uint64_t end = data_end();
    if (frame_limit_ && frame_number_ >= *frame_limit_) {
      if (!is_more_frames_reported_ && position_ + 4 <= end && ensure(position_, 4, abort) == 4 &&
          parse_frame_header(data_at(position_))) {
        is_more_frames_reported_ = true;
        report("MPEG stream contains more frames than it should according to the header.",
               event_severity::warning);
      }
      return false;
    }
    if (position_ + 4 > end || ensure(position_, 4, abort) < 4) return false;

    // ID3v1 tags pasted into the stream (by joining tagged files) are skipped whole.
    std::optional<uint64_t> tag_offset;
    while (starts_with(data_at(position_), "TAG")) {
      if (!tag_offset) tag_offset = position_;
      position_ += 128;
      if (position_ + 4 > end || ensure(position_, 4, abort) < 4) return false;
    }

    const auto header = parse_frame_header(data_at(position_));
    if (!header) {
      if (starts_with(data_at(position_), "APET") && source_.can_seek()) return false;
      report("MPEG stream error at " + std::to_string(position_) + " bytes", event_severity::error);
      const auto found = scan_for_frame(position_ + 1, abort);
      if (!found) {
        report("MPEG stream resync failed", event_severity::notice);
        is_ended_ = true;
        return false;
      }
      is_discontinuous_ = true;
      report("MPEG stream resync successful at " + std::to_string(*found), event_severity::notice);
      position_ = *found;
      if (ensure(position_, 4, abort) < 4 || !parse_frame_header(data_at(position_))) {
        report("MPEG stream parser internal error", event_severity::warning);
        return false;
      }
      continue;
    }
    if (tag_offset) {
      report("ID3 tag garbage inside MPEG stream at " + std::to_string(*tag_offset) + " bytes",
             event_severity::error);
    }

    if (table_ && table_->wants(frame_number_)) table_->record(frame_number_, position_);
    out.header = *header;
    out.offset_bytes = position_;
    out.frame_number = frame_number_;
    out.bytes = {};
    const uint32_t frame_bytes = header->frame_bytes;
    if (mode == walk_mode::decode || is_strict_) {
      const size_t available = position_ + frame_bytes <= end
                                   ? ensure(position_, frame_bytes, abort)
                                   : ensure(position_, static_cast<size_t>(end - position_), abort);
      if (available < frame_bytes) {
        report("MPEG stream error at " + std::to_string(position_ + available) + " bytes",
               event_severity::error);
        // Decoded with zeros in place of the missing bytes, so the frame keeps its length.
        padded_frame_.assign(frame_bytes, 0);
        std::memcpy(padded_frame_.data(), data_at(position_), available);
        out.bytes = padded_frame_;
      } else {
        out.bytes = {data_at(position_), frame_bytes};
      }
      if (is_strict_ && header->is_protected && !is_checksum_reported_ &&
          !frame_crc_matches(*header, out.bytes)) {
        is_checksum_reported_ = true;
        report("MPEG frame checksum mismatch.", event_severity::error);
      }
      if (mode == walk_mode::count) out.bytes = {};
    }
    position_ += frame_bytes;
    ++frame_number_;
    return true;
  }
}

}  // namespace lumo::mpeg
