#include "heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace tarno::bench {
namespace {

std::atomic<bool> g_counting{false};
std::atomic<int64_t> g_blocks{0};
std::atomic<int64_t> g_bytes{0};
std::atomic<int64_t> g_peakBytes{0};

void Counted(void* block) {
  if (!g_counting.load(std::memory_order_relaxed)) return;
  const int64_t size = static_cast<int64_t>(malloc_usable_size(block));
  g_blocks.fetch_add(1, std::memory_order_relaxed);
  const int64_t now = g_bytes.fetch_add(size, std::memory_order_relaxed) + size;
  if (now > g_peakBytes.load(std::memory_order_relaxed)) {
    g_peakBytes.store(now, std::memory_order_relaxed);
  }
}

void Uncounted(void* block) {
  if (block == nullptr || !g_counting.load(std::memory_order_relaxed)) return;
  g_blocks.fetch_sub(1, std::memory_order_relaxed);
  g_bytes.fetch_sub(static_cast<int64_t>(malloc_usable_size(block)), std::memory_order_relaxed);
}

void* Allocate(std::size_t size) {
  for (;;) {
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
      Counted(block);
      return block;
    }
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}

void Free(void* block) {
  Uncounted(block);
  std::free(block);
}

}  // namespace

void StartHeapCount() {
  g_blocks = 0;
  g_bytes = 0;
  g_peakBytes = 0;
  g_counting = true;
}

HeapCount StopHeapCount() {
  g_counting = false;
  HeapCount count;
  count.blocks = g_blocks;
  count.bytes = g_bytes;
  count.peakBytes = g_peakBytes;
  return count;
}

}  // namespace tarno::bench

void* operator new(std::size_t size) { return tarno::bench::Allocate(size); }
void* operator new[](std::size_t size) { return tarno::bench::Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return tarno::bench::Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return tarno::bench::Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* block) noexcept { tarno::bench::Free(block); }
void operator delete[](void* block) noexcept { tarno::bench::Free(block); }
void operator delete(void* block, std::size_t) noexcept { tarno::bench::Free(block); }
void operator delete[](void* block, std::size_t) noexcept { tarno::bench::Free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { tarno::bench::Free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { tarno::bench::Free(block); }
