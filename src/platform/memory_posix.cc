// Large memory blocks for the POSIX layer, on huge pages where the system
// gives them.

#include "platform/memory_posix.h"

#include <sys/mman.h>

#include <cassert>
#include <cstddef>

namespace swu {

namespace {

constexpr uintptr_t kHugePage = 2 << 20;

// |size| rounded up to whole huge pages.
size_t MappedLength(int64_t size) {
  assert(size >= kMappedBlockSize);
  return (static_cast<size_t>(size) + kHugePage - 1) & ~(kHugePage - 1);
}

}  // namespace

char* AllocateMappedBlock(int64_t size) {
  size_t length = MappedLength(size);
  void* raw = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  uintptr_t start = reinterpret_cast<uintptr_t>(raw);
  uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
  // Give back the unaligned head and the unused tail.
  if (aligned > start) munmap(raw, aligned - start);
  size_t tail = kHugePage - (aligned - start);
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + length), tail);
  madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
  return reinterpret_cast<char*>(aligned);
}

void FreeMappedBlock(char* block, int64_t size) {
  assert(reinterpret_cast<uintptr_t>(block) % kHugePage == 0);
  munmap(block, MappedLength(size));
}

}  // namespace swu
