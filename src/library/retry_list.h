#pragma once
// Files a watcher could not read yet (held open by a copier, locked by another
// program): each is tried again once its delay has passed since the last attempt, and
// every failure makes the delay half as long again, between 250 ms and 666000 ms
// (about eleven minutes). Times are milliseconds of a monotonic tick counter, passed in
// so tests drive the clock. Guarded by the owning watcher's lock.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

inline constexpr uint64_t retry_min_delay_ms = 250;
inline constexpr uint64_t retry_max_delay_ms = 666000;

// delay + max(1, delay / 2), clamped to [250, 666000].
uint64_t next_retry_delay_ms(uint64_t delay_ms);

class retry_list {
 public:
  struct entry {
    uint64_t last_attempt_ms = 0;
    uint64_t delay_ms = 0;
  };

  // A first failure starts at the shortest delay; a known path's delay grows.
  void record_failure(const std::string& path, uint64_t now_ms);
  void remove(std::string_view path);
  // Drops the path and everything under it (a removed or renamed folder).
  void remove_tree(std::string_view path, char separator);
  // The paths whose delay has passed, in path order.
  std::vector<std::string> due(uint64_t now_ms) const;

  bool empty() const { return entries_.empty(); }
  size_t size() const { return entries_.size(); }
  const entry* find(std::string_view path) const;

 private:
  std::map<std::string, entry, std::less<>> entries_;
};

}  // namespace lumo
