#pragma once
// Heap accounting for the benchmarks that report allocations or memory: linked into a
// benchmark, heap_counter.cpp replaces the global operator new and delete.

#include <cstddef>

namespace lumo::bench {

struct heap_counts {
  size_t calls = 0;        // operator new calls so far
  size_t live_blocks = 0;  // blocks allocated and not yet freed
  // Live bytes in the allocator's usable sizes: its rounding counts, its per-block header
  // does not (which flatters layouts with more blocks).
  size_t live_bytes = 0;
};

heap_counts heap_now();

}  // namespace lumo::bench
