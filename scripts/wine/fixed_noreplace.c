/* fixed_noreplace.c — preloaded into 32-bit Wine under qemu-user: gives mmap's MAP_FIXED_NOREPLACE its meaning.
 *
 * Wine reserves its address space with MAP_FIXED_NOREPLACE and halves any range that will not map,
 * down to 64 KiB pieces. qemu-user 7.2 ignores the flag and maps the range somewhere else instead
 * of failing, and every such stray mapping makes the following attempts fail too: tens of thousands
 * of calls, about 90 seconds before each 32-bit Windows program starts. Asking for the address
 * as a hint and failing with EEXIST when it is not granted is what the kernel does natively.
 * Built for 64-bit it is empty, so one LD_PRELOAD path with $LIB serves both kinds of process.
 */
#if defined(__i386__)
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <sys/mman.h>
#include <sys/types.h>

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

static void* (*next_mmap64)(void*, size_t, int, int, int, off64_t);

void* mmap64(void* addr, size_t length, int prot, int flags, int fd, off64_t offset) {
    if (!next_mmap64) next_mmap64 = (void* (*)(void*, size_t, int, int, int, off64_t))dlsym(RTLD_NEXT, "mmap64");
    if (!(flags & MAP_FIXED_NOREPLACE)) return next_mmap64(addr, length, prot, flags, fd, offset);
    void* p = next_mmap64(addr, length, prot, flags & ~MAP_FIXED_NOREPLACE, fd, offset);
    if (p == MAP_FAILED || p == addr) return p;
    munmap(p, length);
    errno = EEXIST;
    return MAP_FAILED;
}

void* mmap(void* addr, size_t length, int prot, int flags, int fd, off_t offset) {
    return mmap64(addr, length, prot, flags, fd, offset);
}
#else
typedef int peltatxt_empty_translation_unit;
#endif
