#pragma once
// The shared handle of one track: its location plus the summary the library last read
// for it and the file timestamp that summary was built from. There is one handle per
// location in the whole process (get_track_handle finds the existing one), so handles
// compare by identity. Counts are atomic and the summary is swapped under a lock, so
// any thread may hold, read and update a handle.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>

#include "library/track_summary.h"
#include "meta/track_location.h"

namespace lumo {

class track_handle;
class track_handle_ptr;
struct track_handle_index_access;
track_handle_ptr get_track_handle(const track_location& location);

// An owning reference to a handle (intrusive, atomic count).
class track_handle_ptr {
 public:
  track_handle_ptr() = default;
  track_handle_ptr(const track_handle_ptr& other);
  track_handle_ptr(track_handle_ptr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  track_handle_ptr& operator=(track_handle_ptr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~track_handle_ptr();

  track_handle* get() const { return p_; }
  track_handle* operator->() const { return p_; }
  track_handle& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  friend bool operator==(const track_handle_ptr& a, const track_handle_ptr& b) {
    return a.p_ == b.p_;
  }

 private:
  friend class track_handle;
  friend struct track_handle_index_access;
  struct adopt_t {};
  track_handle_ptr(track_handle* p, adopt_t) : p_(p) {}
  track_handle* p_ = nullptr;
};

struct track_handle_ptr_hash {
  size_t operator()(const track_handle_ptr& h) const noexcept {
    return std::hash<const void*>()(h.get());
  }
};

// A summary together with the timestamp of the information it came from.
struct cached_summary {
  std::shared_ptr<const track_summary> summary;  // null when nothing was read yet
  uint64_t timestamp = 0;
};

class track_handle {
 public:
  track_handle(const track_handle&) = delete;
  track_handle& operator=(const track_handle&) = delete;

  const track_location& location() const { return location_; }

  // Any thread.
  cached_summary summary() const;
  void set_summary(std::shared_ptr<const track_summary> summary, uint64_t timestamp);

 private:
  friend class track_handle_ptr;
  friend struct track_handle_index_access;
  explicit track_handle(track_location location) : location_(std::move(location)) {}
  ~track_handle() = default;
  void add_ref() { refs_.fetch_add(1, std::memory_order_relaxed); }
  void release();

  const track_location location_;
  std::atomic<uint32_t> refs_{1};
  // Guarded by a lock chosen by the handle's address (see track_handle.cpp).
  cached_summary cached_;
};

// The one handle of this location, made when none exists. Any thread.
track_handle_ptr get_track_handle(const track_location& location);
// The same, taking the location over when a handle is made (saves copying the path).
track_handle_ptr get_track_handle(track_location&& location);
// How many handles exist; for tests and the memory report.
size_t live_track_handle_count();

}  // namespace lumo
