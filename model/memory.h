// memory.h — the one allocator for string blocks and list nodes, shared with every module of the process.
#pragma once

#include <cstddef>

namespace peltatxt::memory {

// Allocates bytes for a block the host may release (POSIX: malloc; Windows: the process heap).
// Throws std::bad_alloc on exhaustion.
void* allocate(std::size_t bytes);
void release(void* block) noexcept;
// Resizes a block from allocate() to bytes, keeping its contents; the block may move (a large one
// usually grows without being copied). Throws std::bad_alloc on exhaustion, the block then being
// left as it was. Counted as an allocation by the test seam below.
void* reallocate(void* block, std::size_t bytes);
// Gives back the part of a block beyond bytes (no more than its size); the block may move. Never
// fails: where the allocator cannot shrink it, the block is returned as it was.
void* shrink(void* block, std::size_t bytes) noexcept;

#if defined(PELTATXT_FAULT_SEAMS)
// Test seam, in the test variant of the core only: make the n-th allocation from now on fail
// (n >= 1); 0 turns failures off. Returns how many allocations were made since the last call.
long fail_allocation(long n) noexcept;
#endif

}  // namespace peltatxt::memory
