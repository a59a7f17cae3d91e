// Large memory blocks for the POSIX layer: mapped on a 2 MiB boundary and
// advised for huge pages, which makes reading a big file into one several
// times cheaper (far fewer page faults).

#ifndef SWU_PLATFORM_MEMORY_POSIX_H_
#define SWU_PLATFORM_MEMORY_POSIX_H_

#include <cstdint>

namespace swu {

// Blocks of this size and more are mapped; smaller ones come from the heap.
constexpr int64_t kMappedBlockSize = 4 << 20;

// Maps a block of |size| bytes, at least kMappedBlockSize. Returns nullptr
// on failure.
char* AllocateMappedBlock(int64_t size);

// Unmaps |block|, which AllocateMappedBlock(|size|) returned.
void FreeMappedBlock(char* block, int64_t size);

}  // namespace swu

#endif  // SWU_PLATFORM_MEMORY_POSIX_H_
