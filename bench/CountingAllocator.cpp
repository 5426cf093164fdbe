// Replaces the global operator new and delete (every form) for the binary that links this
// file. Each block carries its requested size in a header in front of it, so that unsized
// deletes can subtract it again.

#include "CountingAllocator.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace QevaFlutter::bench {
namespace {

// Keeps the block after it aligned as malloc's own blocks are.
constexpr size_t kHeader = alignof(std::max_align_t);

std::atomic<int64_t> g_live_bytes{0};
std::atomic<int64_t> g_live_blocks{0};
std::atomic<int64_t> g_allocations{0};
std::atomic<int64_t> g_allocated_bytes{0};

void Counted(size_t size) {
  g_live_bytes.fetch_add(static_cast<int64_t>(size), std::memory_order_relaxed);
  g_live_blocks.fetch_add(1, std::memory_order_relaxed);
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  g_allocated_bytes.fetch_add(static_cast<int64_t>(size), std::memory_order_relaxed);
}

void Uncounted(size_t size) {
  g_live_bytes.fetch_sub(static_cast<int64_t>(size), std::memory_order_relaxed);
  g_live_blocks.fetch_sub(1, std::memory_order_relaxed);
}

// The header sits right in front of the block: [.. size][block].
size_t& SizeOf(void* block) {
  return *reinterpret_cast<size_t*>(static_cast<char*>(block) - sizeof(size_t));
}

// Aligned blocks also keep the distance back to what aligned_alloc returned.
size_t& OffsetOf(void* block) {
  return *reinterpret_cast<size_t*>(static_cast<char*>(block) - 2 * sizeof(size_t));
}

void* Allocate(size_t size) noexcept {
  void* base = std::malloc(kHeader + size);
  if (base == nullptr) {
    return nullptr;
  }
  void* block = static_cast<char*>(base) + kHeader;
  SizeOf(block) = size;
  Counted(size);
  return block;
}

void Release(void* block) noexcept {
  if (block == nullptr) {
    return;
  }
  Uncounted(SizeOf(block));
  std::free(static_cast<char*>(block) - kHeader);
}

void* AllocateAligned(size_t size, std::align_val_t alignment) noexcept {
  const size_t align =
      static_cast<size_t>(alignment) < kHeader ? kHeader : static_cast<size_t>(alignment);
  // One whole alignment unit in front holds the header; aligned_alloc wants a multiple.
  const size_t total = (align + size + align - 1) / align * align;
  void* base = std::aligned_alloc(align, total);
  if (base == nullptr) {
    return nullptr;
  }
  void* block = static_cast<char*>(base) + align;
  SizeOf(block) = size;
  OffsetOf(block) = align;
  Counted(size);
  return block;
}

void ReleaseAligned(void* block) noexcept {
  if (block == nullptr) {
    return;
  }
  Uncounted(SizeOf(block));
  std::free(static_cast<char*>(block) - OffsetOf(block));
}

void* AllocateOrThrow(size_t size) {
  if (void* block = Allocate(size)) {
    return block;
  }
  throw std::bad_alloc();
}

void* AllocateAlignedOrThrow(size_t size, std::align_val_t alignment) {
  if (void* block = AllocateAligned(size, alignment)) {
    return block;
  }
  throw std::bad_alloc();
}

}  // namespace

HeapCount CountHeap() {
  return {g_live_bytes.load(std::memory_order_relaxed),
          g_live_blocks.load(std::memory_order_relaxed),
          g_allocations.load(std::memory_order_relaxed),
          g_allocated_bytes.load(std::memory_order_relaxed)};
}

}  // namespace QevaFlutter::bench

using QevaFlutter::bench::Allocate;
using QevaFlutter::bench::AllocateAligned;
using QevaFlutter::bench::AllocateAlignedOrThrow;
using QevaFlutter::bench::AllocateOrThrow;
using QevaFlutter::bench::Release;
using QevaFlutter::bench::ReleaseAligned;

void* operator new(size_t size) {
  return AllocateOrThrow(size);
}
void* operator new[](size_t size) {
  return AllocateOrThrow(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new(size_t size, std::align_val_t alignment) {
  return AllocateAlignedOrThrow(size, alignment);
}
void* operator new[](size_t size, std::align_val_t alignment) {
  return AllocateAlignedOrThrow(size, alignment);
}
void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, alignment);
}
void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, alignment);
}

void operator delete(void* block) noexcept {
  Release(block);
}
void operator delete[](void* block) noexcept {
  Release(block);
}
void operator delete(void* block, size_t) noexcept {
  Release(block);
}
void operator delete[](void* block, size_t) noexcept {
  Release(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
  Release(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  Release(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
  ReleaseAligned(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
  ReleaseAligned(block);
}
void operator delete(void* block, size_t, std::align_val_t) noexcept {
  ReleaseAligned(block);
}
void operator delete[](void* block, size_t, std::align_val_t) noexcept {
  ReleaseAligned(block);
}
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  ReleaseAligned(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  ReleaseAligned(block);
}
