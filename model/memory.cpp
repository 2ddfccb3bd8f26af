// memory.cpp — the shared block allocator; in the test variant, with a countdown that injects failures.
#include "memory.h"

#include <new>

#if defined(_WIN32)
#include <windows.h>
#else
#include <cstdlib>
#endif

namespace peltatxt::memory {
namespace {
#if defined(PELTATXT_FAULT_SEAMS)
long fail_countdown = 0;  // 0: never fail
long made = 0;

// Counts an allocation about to be made; true when it must fail.
bool allocation_fails() noexcept {
    ++made;
    return fail_countdown > 0 && --fail_countdown == 0;
}
#else
constexpr bool allocation_fails() noexcept { return false; }
#endif
}  // namespace

void* allocate(std::size_t bytes) {
    if (allocation_fails()) throw std::bad_alloc();
#if defined(_WIN32)
    void* p = HeapAlloc(GetProcessHeap(), 0, bytes);
#else
    void* p = std::malloc(bytes);
#endif
    if (!p) throw std::bad_alloc();
    return p;
}

void release(void* block) noexcept {
    if (!block) return;
#if defined(_WIN32)
    HeapFree(GetProcessHeap(), 0, block);
#else
    std::free(block);
#endif
}

void* reallocate(void* block, std::size_t bytes) {
    if (allocation_fails()) throw std::bad_alloc();
#if defined(_WIN32)
    void* p = block ? HeapReAlloc(GetProcessHeap(), 0, block, bytes) : HeapAlloc(GetProcessHeap(), 0, bytes);
#else
    void* p = std::realloc(block, bytes);
#endif
    if (!p) throw std::bad_alloc();
    return p;
}

void* shrink(void* block, std::size_t bytes) noexcept {
    if (!block || bytes == 0) return block;
#if defined(_WIN32)
    void* p = HeapReAlloc(GetProcessHeap(), 0, block, bytes);
#else
    void* p = std::realloc(block, bytes);
#endif
    return p ? p : block;
}

#if defined(PELTATXT_FAULT_SEAMS)
long fail_allocation(long n) noexcept {
    long count = made;
    made = 0;
    fail_countdown = n;
    return count;
}
#endif

}  // namespace peltatxt::memory
