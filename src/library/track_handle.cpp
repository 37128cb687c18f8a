#include "library/track_handle.h"

#include <array>
#include <mutex>
#include <unordered_map>

namespace lumo {

struct track_handle_index_access {
  template <class location_type>
  static track_handle_ptr find_or_make(location_type&& location);
};

namespace {

// The hash is the key as it stands: it was worked out from the location already.
struct stored_hash {
  size_t operator()(size_t hash) const noexcept { return hash; }
};

// The index of live handles by the hash of their location. The node holds the hash, so a
// lookup compares paths only of handles whose hash matches (no visit to every handle in
// the bucket). A handle whose count has dropped to zero is dead even while it is still
// listed: lookups never revive it, they replace it.
struct handle_index {
  std::mutex lock;
  std::unordered_multimap<size_t, track_handle*, stored_hash> handles;
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
    auto [it, end] = ix.handles.equal_range(hash);
    while (it != end && it->second != this) ++it;
    if (it != end) ix.handles.erase(it);
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
  auto [it, end] = ix.handles.equal_range(hash);
  for (; it != end; ++it) {
    track_handle* h = it->second;
    if (h->location() != location) continue;
    uint32_t count = h->refs_.load(std::memory_order_relaxed);
    while (count != 0) {
      if (h->refs_.compare_exchange_weak(count, count + 1, std::memory_order_acq_rel))
        return track_handle_ptr(h, track_handle_ptr::adopt_t{});
    }
    ix.handles.erase(it);  // dying: its release will find it gone
    break;
  }
  auto* h = new track_handle(std::forward<location_type>(location));
  ix.handles.emplace(hash, h);
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
