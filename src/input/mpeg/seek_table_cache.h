#pragma once
// Frame offsets recorded while a stream is walked, kept in a process-wide cache of ten
// tables so that the next decoder of the same file seeks without walking it again.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::mpeg {

// The offsets of every spacing_frames-th frame (frame 0 is the first audio frame),
// appended in order as the walk reaches them. Shared by every decoder of one file, on any
// thread.
class seek_table {
 public:
  static constexpr uint64_t spacing_frames = 8;

  struct entry {
    uint64_t frame_number;
    uint64_t offset_bytes;
  };

  // The recorded frame nearest at or before frame_number, if any is.
  std::optional<entry> find(uint64_t frame_number) const;
  // Records a frame's offset when it is the next one the table expects; anything else
  // (an earlier frame, a gap) is ignored, so offsets only ever grow.
  void record(uint64_t frame_number, uint64_t offset_bytes);
  // True when frame_number is one the table would record next.
  bool wants(uint64_t frame_number) const {
    return frame_number % spacing_frames == 0 && frame_number / spacing_frames == known_count_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<uint64_t> offsets_;  // guarded by mutex_
  // Read without the lock as a hint only; record() checks again under it.
  std::atomic<uint64_t> known_count_{0};
};

// The table of a stream, keyed by path and the stream's start and length: the cached one
// when there is one, else a new table that replaces an empty slot or the least recently
// used one. Callers keep the table alive while the cache may drop it.
std::shared_ptr<seek_table> acquire_seek_table(std::string_view path, uint64_t start_bytes,
                                               uint64_t length_bytes);

// How often acquire_seek_table found a cached table and how often it made a new one.
struct seek_table_cache_counters {
  uint64_t hits = 0;
  uint64_t misses = 0;
};
seek_table_cache_counters get_seek_table_cache_counters();

}  // namespace lumo::mpeg
