#include "heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> g_calls{0};
std::atomic<size_t> g_live_blocks{0};
std::atomic<size_t> g_live_bytes{0};

}  // namespace

lumo::bench::heap_counts lumo::bench::heap_now() {
  return {g_calls.load(std::memory_order_relaxed), g_live_blocks.load(std::memory_order_relaxed),
          g_live_bytes.load(std::memory_order_relaxed)};
}

// GCC pairs the replaced operator new with the library's delete when it inlines, and warns.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  g_calls.fetch_add(1, std::memory_order_relaxed);
  g_live_blocks.fetch_add(1, std::memory_order_relaxed);
  g_live_bytes.fetch_add(malloc_usable_size(p), std::memory_order_relaxed);
  return p;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  g_live_blocks.fetch_sub(1, std::memory_order_relaxed);
  g_live_bytes.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  operator delete(p);
}
