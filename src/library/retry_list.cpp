#include "library/retry_list.h"

#include <algorithm>

namespace lumo {

uint64_t next_retry_delay_ms(uint64_t delay_ms) {
  uint64_t grown = delay_ms + std::max<uint64_t>(1, delay_ms / 2);
  return std::clamp(grown, retry_min_delay_ms, retry_max_delay_ms);
}

void retry_list::record_failure(const std::string& path, uint64_t now_ms) {
  auto [it, is_new] = entries_.try_emplace(path);
  it->second.last_attempt_ms = now_ms;
  it->second.delay_ms = is_new ? retry_min_delay_ms : next_retry_delay_ms(it->second.delay_ms);
}

void retry_list::remove(std::string_view path) {
  auto it = entries_.find(path);
  if (it != entries_.end()) entries_.erase(it);
}

void retry_list::remove_tree(std::string_view path, char separator) {
  for (auto it = entries_.lower_bound(path); it != entries_.end();) {
    std::string_view p = it->first;
    if (!p.starts_with(path)) break;
    if (p.size() == path.size() || p[path.size()] == separator)
      it = entries_.erase(it);
    else
      ++it;
  }
}

std::vector<std::string> retry_list::due(uint64_t now_ms) const {
  std::vector<std::string> out;
  for (const auto& [path, e] : entries_)
    if (now_ms - e.last_attempt_ms >= e.delay_ms) out.push_back(path);
  return out;
}

const retry_list::entry* retry_list::find(std::string_view path) const {
  auto it = entries_.find(path);
  return it == entries_.end() ? nullptr : &it->second;
}

}  // namespace lumo
