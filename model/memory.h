// memory.h — the one allocator for string blocks and list nodes, shared with every module of the process.
#pragma once

#include <cstddef>

namespace peltatxt::memory {

// Allocates bytes for a block the host may release (POSIX: malloc; Windows: the process heap).
// Throws std::bad_alloc on exhaustion.
void* allocate(std::size_t bytes);
void release(void* block) noexcept;

// Test seam: make the n-th allocation from now on fail (n >= 1); 0 turns failures off.
// Returns how many allocations were made since the last call.
long fail_allocation(long n) noexcept;

}  // namespace peltatxt::memory
