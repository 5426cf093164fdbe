// Replaces the global operator new and delete of the test binary. They live in a translation
// unit of their own: defined beside code that allocates, they are inlined into the standard
// containers there, and an optimising GCC then sees std::free on memory that came from operator
// new and rightly rejects the pair (-Wmismatched-new-delete). Here the replacements are only
// ever called, as the library's operator pairs are.

#include "LargestAllocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> g_recording{false};
std::atomic<size_t> g_largest{0};
}  // namespace

namespace qeva_test {

void StartRecordingLargestAllocation() {
  g_largest = 0;
  g_recording = true;
}

size_t StopRecordingLargestAllocation() {
  g_recording = false;
  return g_largest.load();
}

}  // namespace qeva_test

void* operator new(size_t size) {
  if (g_recording.load(std::memory_order_relaxed) &&
      size > g_largest.load(std::memory_order_relaxed)) {
    g_largest.store(size, std::memory_order_relaxed);
  }
  if (void* memory = std::malloc(size == 0 ? 1 : size)) {
    return memory;
  }
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, size_t) noexcept {
  std::free(memory);
}
