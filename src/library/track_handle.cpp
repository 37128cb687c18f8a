#include "library/track_handle.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <vector>

namespace lumo {

struct track_handle_index_access {
  template <class location_type>
  static track_handle_ptr find_or_make(location_type&& location);
};

namespace {

// The index of live handles: an open-addressing table (linear probing) of each handle
// with the hash of its location. A library load adds a hundred thousand handles at once,
// and a node-based map would make one more heap allocation for each (dear under the
// Windows heap); the table grows and shrinks in whole steps instead. Slots keep the
// hash, so a lookup compares paths only of handles whose hash matches. A handle whose
// count has dropped to zero is dead even while it is still listed: lookups never revive
// it, they replace it. Guarded by the index's lock.
class handle_table {
 public:
  size_t size() const { return size_; }

  // Calls visit(handle) for each handle of this hash until it returns true; returns the
  // slot it stopped at, or npos.
  template <class visitor>
  size_t find(size_t hash, visitor&& visit) const {
    if (slots_.empty()) return npos;
    for (size_t i = home(hash);; i = next(i)) {
      const slot& s = slots_[i];
      if (!s.handle) return npos;
      if (s.hash == hash && visit(s.handle)) return i;
    }
  }

  track_handle* at(size_t i) const { return slots_[i].handle; }

  void insert(size_t hash, track_handle* handle) {
    if ((size_ + 1) * 5 > slots_.size() * 4)
      resize(std::max<size_t>(k_min_slots, slots_.size() * 2));
    place(hash, handle);
    ++size_;
  }

  void erase(size_t i) {
    // Backward shift: later members of the probe run move up, so no run is broken.
    for (size_t j = i;;) {
      j = next(j);
      if (!slots_[j].handle) break;
      const size_t h = home(slots_[j].hash);
      const bool stays = i <= j ? (i < h && h <= j) : (i < h || h <= j);
      if (stays) continue;
      slots_[i] = slots_[j];
      i = j;
    }
    slots_[i] = slot{};
    --size_;
    // A cleared library gives its table back.
    if (slots_.size() > k_min_slots && size_ * 8 < slots_.size()) resize(slots_.size() / 2);
  }

  static constexpr size_t npos = static_cast<size_t>(-1);

 private:
  struct slot {
    size_t hash = 0;
    track_handle* handle = nullptr;  // null: free
  };
  static constexpr size_t k_min_slots = 64;

  // The hash's high bits after a multiplication: neighbouring hashes spread out.
  size_t home(size_t hash) const {
    return static_cast<size_t>((static_cast<uint64_t>(hash) * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  size_t next(size_t i) const { return (i + 1) & (slots_.size() - 1); }

  void place(size_t hash, track_handle* handle) {
    size_t i = home(hash);
    while (slots_[i].handle) i = next(i);
    slots_[i] = slot{hash, handle};
  }

  void resize(size_t count) {
    std::vector<slot> old(count);
    old.swap(slots_);
    shift_ = 64;
    for (size_t c = count; c > 1; c >>= 1) --shift_;
    for (const slot& s : old)
      if (s.handle) place(s.hash, s.handle);
  }

  std::vector<slot> slots_;  // a power of two in size, at most four fifths in use
  size_t size_ = 0;
  unsigned shift_ = 64;
};

struct handle_index {
  std::mutex lock;
  handle_table handles;
};

handle_index& index() {
  // Never destroyed: handles may outlive static destruction in a detached worker.
  static handle_index* instance = new handle_index;
  return *instance;
}

// Summaries are swapped under one of a few locks picked by address, so a handle needs no
// lock of its own (a hundred thousand handles, a few dozen locks).
constexpr size_t k_summary_lock_count = 64;
std::array<std::mutex, k_summary_lock_count>& summary_locks() {
  static auto* locks = new std::array<std::mutex, k_summary_lock_count>;
  return *locks;
}
std::mutex& summary_lock_for(const void* p) {
  return summary_locks()[(reinterpret_cast<uintptr_t>(p) >> 6) % k_summary_lock_count];
}

}  // namespace

track_handle_ptr::track_handle_ptr(const track_handle_ptr& other) : p_(other.p_) {
  if (p_) p_->add_ref();
}

track_handle_ptr::~track_handle_ptr() {
  if (p_) p_->release();
}

void track_handle::release() {
  if (refs_.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  handle_index& ix = index();
  // Worked out again rather than kept: eight bytes more in every handle of a library.
  const size_t hash = track_location_hash()(location_);
  {
    std::lock_guard guard(ix.lock);
    // A lookup may already have put a fresh handle in this one's place (and dropped us).
    const size_t at = ix.handles.find(hash, [this](track_handle* h) { return h == this; });
    if (at != handle_table::npos) ix.handles.erase(at);
  }
  delete this;
}

cached_summary track_handle::summary() const {
  std::lock_guard guard(summary_lock_for(this));
  return cached_;
}

void track_handle::set_summary(std::shared_ptr<const track_summary> summary, uint64_t timestamp) {
  cached_summary fresh{std::move(summary), timestamp};
  {
    std::lock_guard guard(summary_lock_for(this));
    std::swap(cached_, fresh);
  }
  // The old summary is freed outside the lock.
}

template <class location_type>
track_handle_ptr track_handle_index_access::find_or_make(location_type&& location) {
  handle_index& ix = index();
  const size_t hash = track_location_hash()(location);  // outside the lock
  std::lock_guard guard(ix.lock);
  const size_t at =
      ix.handles.find(hash, [&](track_handle* h) { return h->location() == location; });
  if (at != handle_table::npos) {
    track_handle* h = ix.handles.at(at);
    uint32_t count = h->refs_.load(std::memory_order_relaxed);
    while (count != 0) {
      if (h->refs_.compare_exchange_weak(count, count + 1, std::memory_order_acq_rel))
        return track_handle_ptr(h, track_handle_ptr::adopt_t{});
    }
    ix.handles.erase(at);  // dying: its release will find it gone
  }
  auto* h = new track_handle(std::forward<location_type>(location));
  ix.handles.insert(hash, h);
  return track_handle_ptr(h, track_handle_ptr::adopt_t{});
}

track_handle_ptr get_track_handle(const track_location& location) {
  return track_handle_index_access::find_or_make(location);
}

track_handle_ptr get_track_handle(track_location&& location) {
  return track_handle_index_access::find_or_make(std::move(location));
}

size_t live_track_handle_count() {
  handle_index& ix = index();
  std::lock_guard guard(ix.lock);
  return ix.handles.size();
}

}  // namespace lumo
