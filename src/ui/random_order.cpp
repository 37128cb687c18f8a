#include "ui/random_order.h"

#include <numeric>
#include <utility>

namespace lumo {

std::vector<size_t> random_order(size_t count, const std::function<uint32_t()>& random32) {
  std::vector<size_t> order(count);
  std::iota(order.begin(), order.end(), size_t{0});
  for (size_t i = count; i > 1; --i) {
    // Draws above the largest multiple of i are thrown away, so j is uniform.
    const uint64_t range = uint64_t(i);
    const uint64_t limit = (uint64_t(1) << 32) - ((uint64_t(1) << 32) % range);
    uint64_t r;
    do {
      r = random32();
    } while (r >= limit);
    std::swap(order[i - 1], order[size_t(r % range)]);
  }
  return order;
}

}  // namespace lumo
