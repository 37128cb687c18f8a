#include "library/track_handle.h"

#include <array>
#include <mutex>
#include <unordered_set>

namespace lumo {

namespace {

// The index of live handles, keyed by location. A handle whose count has dropped to zero
// is dead even while it is still listed: lookups never revive it, they replace it.
struct location_key_hash {
  using is_transparent = void;
  size_t operator()(const track_location& l) const noexcept { return track_location_hash()(l); }
  size_t operator()(const track_handle* h) const noexcept { return (*this)(h->location()); }
};
struct location_key_equal {
  using is_transparent = void;
  static const track_location& key(const track_location& l) { return l; }
  static const track_location& key(const track_handle* h) { return h->location(); }
  template <class A, class B>
  bool operator()(const A& a, const B& b) const noexcept {
    return key(a) == key(b);
  }
};

struct handle_index {
  std::mutex lock;
  std::unordered_set<track_handle*, location_key_hash, location_key_equal> handles;
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
  {
    std::lock_guard guard(ix.lock);
    auto it = ix.handles.find(location_);
    // A lookup may already have put a fresh handle in this one's place.
    if (it != ix.handles.end() && *it == this) ix.handles.erase(it);
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

track_handle_ptr get_track_handle(const track_location& location) {
  handle_index& ix = index();
  std::lock_guard guard(ix.lock);
  auto it = ix.handles.find(location);
  if (it != ix.handles.end()) {
    track_handle* h = *it;
    uint32_t count = h->refs_.load(std::memory_order_relaxed);
    while (count != 0) {
      if (h->refs_.compare_exchange_weak(count, count + 1, std::memory_order_acq_rel))
        return track_handle_ptr(h, track_handle_ptr::adopt_t{});
    }
    ix.handles.erase(it);  // dying: its release will find it gone
  }
  auto* h = new track_handle(location);
  ix.handles.insert(h);
  return track_handle_ptr(h, track_handle_ptr::adopt_t{});
}

size_t live_track_handle_count() {
  handle_index& ix = index();
  std::lock_guard guard(ix.lock);
  return ix.handles.size();
}

}  // namespace lumo
