#pragma once
// Walks an MPEG audio stream frame by frame: finds the first frame behind leading ID3v2
// tags, measures the stream (Xing/Info/LAME or VBRI header, else constant bit rate up to
// any trailing APEv2/ID3v1 tags), and after damage finds the next frame again. Our own
// code over a byte_source, no codec library, so it builds everywhere and is fuzzed.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/abort.h"
#include "fs/byte_source.h"
#include "input/event_logger.h"
#include "input/mpeg/mpeg_header.h"
#include "input/mpeg/seek_table_cache.h"
#include "input/mpeg/vbr_header.h"

namespace lumo::mpeg {

// Growing the read buffer leaves the new bytes uninitialised: they are read into at once,
// and clearing 64 KiB for every file opened was a good part of a library scan.
template <class T>
struct uninitialised_allocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = uninitialised_allocator<U>;
  };
  uninitialised_allocator() = default;
  template <class U>
  uninitialised_allocator(const uninitialised_allocator<U>&) noexcept {}
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    std::construct_at(p, std::forward<Args>(args)...);
  }
};

// What opening learnt about the stream.
struct stream_layout {
  uint32_t id3v2_tag_count = 0;
  uint64_t first_frame_offset = 0;     // the first frame, a Xing/VBRI frame included
  uint64_t audio_offset = 0;           // the first audio frame
  std::optional<uint64_t> stream_end;  // end of the audio bytes (trailing tags excluded)
  frame_header first;
  std::optional<vbr_header> vbr;
  // Frames of audio: exact from a Xing/VBRI header, estimated for constant bit rate,
  // unknown on a stream that cannot seek.
  std::optional<uint64_t> frame_count;
  bool is_frame_count_exact = false;
};

// One frame the walk found. bytes is empty for a frame only counted, and is valid until
// the next call into the walker.
struct walked_frame {
  frame_header header;
  uint64_t offset_bytes = 0;
  uint64_t frame_number = 0;
  std::span<const uint8_t> bytes;
};

enum class walk_mode { decode, count };

class frame_walker {
 public:
  // source outlives the walker.
  explicit frame_walker(byte_source& source) : source_(source) {}

  // Locates and measures the stream from the start of the source. Throws exception_io_data
  // when no frame is found; "Multiple ID3v2 tags encountered" goes to logger.
  stream_layout open(event_logger& logger, const abort_signal& abort);

  // Where reports go and whether problems are raised (the integrity flag): with it, an
  // error becomes exception_io_data with its text and protected frames are checked.
  void set_reporting(event_logger* logger, bool is_strict);
  void set_seek_table(std::shared_ptr<seek_table> table) { table_ = std::move(table); }
  // Until the walk ends at this many frames (exact frame count) or at stream_end.
  void set_limits(std::optional<uint64_t> frame_limit, std::optional<uint64_t> stream_end) {
    frame_limit_ = frame_limit;
    stream_end_ = stream_end;
  }
  // Continues the walk at a frame whose offset and number are known.
  void reposition(uint64_t offset_bytes, uint64_t frame_number);
  void reset_one_shot_reports() { is_more_frames_reported_ = is_checksum_reported_ = false; }

  // The next frame, or false at the end of the stream.
  bool next(walked_frame& out, walk_mode mode, const abort_signal& abort);
  // True once after a resynchronisation: the decoder must forget its state.
  bool take_discontinuity() { return std::exchange(is_discontinuous_, false); }

  uint64_t position() const { return position_; }
  uint64_t frame_number() const { return frame_number_; }

  static constexpr size_t scan_window_bytes = 16384;
  static constexpr uint64_t scan_limit_seekable_bytes = 1 << 20;
  static constexpr uint64_t scan_limit_stream_bytes = 32768;

 private:
  // Makes bytes [offset, offset + count) available; returns how many are (fewer at the
  // end of the data). data_at(offset) then points at them.
  size_t ensure(uint64_t offset, size_t count, const abort_signal& abort);
  const uint8_t* data_at(uint64_t offset) const { return buffer_.data() + (offset - buffer_base_); }
  std::optional<uint64_t> scan_for_frame(uint64_t from, const abort_signal& abort);
  uint64_t data_end() const;
  void report(const std::string& text, event_severity severity);

  byte_source& source_;
  std::vector<uint8_t, uninitialised_allocator<uint8_t>> buffer_;
  uint64_t buffer_base_ = 0;  // offset of buffer_[0]; the source stands at its end
  uint64_t position_ = 0;
  uint64_t frame_number_ = 0;
  std::optional<uint64_t> frame_limit_;
  std::optional<uint64_t> stream_end_;
  std::shared_ptr<seek_table> table_;
  event_logger* logger_ = &null_event_logger();
  bool is_strict_ = false;
  bool is_discontinuous_ = false;
  bool is_ended_ = false;  // resynchronisation failed
  bool is_more_frames_reported_ = false;
  bool is_checksum_reported_ = false;
  std::vector<uint8_t> padded_frame_;  // a frame cut short by the end, padded with zeros
};

}  // namespace lumo::mpeg
