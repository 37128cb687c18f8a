#include "input/mpeg/seek_table_cache.h"

#include <algorithm>
#include <array>

namespace lumo::mpeg {

namespace {

constexpr size_t cache_slots = 10;

struct cache_slot {
  std::string path;
  uint64_t start_bytes = 0;
  uint64_t length_bytes = 0;
  uint64_t last_use = 0;
  std::shared_ptr<seek_table> table;
};

struct seek_table_cache {
  std::mutex mutex;
  std::array<cache_slot, cache_slots> slots;  // guarded by mutex
  uint64_t clock = 0;                         // guarded by mutex
  seek_table_cache_counters counters;         // guarded by mutex
};

seek_table_cache& cache() {
  static seek_table_cache instance;
  return instance;
}

}  // namespace

std::optional<seek_table::entry> seek_table::find(uint64_t frame_number) const {
  const std::lock_guard lock(mutex_);
  if (offsets_.empty()) return std::nullopt;
  const uint64_t index = std::min<uint64_t>(frame_number / spacing_frames, offsets_.size() - 1);
  return entry{index * spacing_frames, offsets_[index]};
}

void seek_table::record(uint64_t frame_number, uint64_t offset_bytes) {
  if (frame_number % spacing_frames) return;
  const std::lock_guard lock(mutex_);
  if (frame_number / spacing_frames != offsets_.size()) return;
  if (!offsets_.empty() && offset_bytes <= offsets_.back()) return;
  offsets_.push_back(offset_bytes);
  known_count_.store(offsets_.size(), std::memory_order_relaxed);
}

std::shared_ptr<seek_table> acquire_seek_table(std::string_view path, uint64_t start_bytes,
                                               uint64_t length_bytes) {
  seek_table_cache& c = cache();
  const std::lock_guard lock(c.mutex);
  ++c.clock;
  for (cache_slot& slot : c.slots) {
    if (slot.table && slot.path == path && slot.start_bytes == start_bytes &&
        slot.length_bytes == length_bytes) {
      slot.last_use = c.clock;
      ++c.counters.hits;
      return slot.table;
    }
  }
  ++c.counters.misses;
  // An empty slot first, else the one unused for longest.
  cache_slot* victim = &c.slots[0];
  for (cache_slot& slot : c.slots) {
    if (!slot.table) {
      victim = &slot;
      break;
    }
    if (slot.last_use < victim->last_use) victim = &slot;
  }
  victim->path = std::string(path);
  victim->start_bytes = start_bytes;
  victim->length_bytes = length_bytes;
  victim->last_use = c.clock;
  victim->table = std::make_shared<seek_table>();
  return victim->table;
}

seek_table_cache_counters get_seek_table_cache_counters() {
  seek_table_cache& c = cache();
  const std::lock_guard lock(c.mutex);
  return c.counters;
}

}  // namespace lumo::mpeg
