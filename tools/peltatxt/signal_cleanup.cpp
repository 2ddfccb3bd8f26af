// signal_cleanup.cpp — removing the tool's temporary directories from a signal handler, with async-signal-safe calls only.
#if !defined(_WIN32) && !defined(_FILE_OFFSET_BITS)
#define _FILE_OFFSET_BITS 64  // 64-bit sizes and inode numbers in 32-bit builds too
#endif
#include "signal_cleanup.h"

#if defined(__linux__)
#include <atomic>
#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace peltatxt::cli::cleanup {

#if defined(__linux__)
// The handler may only make async-signal-safe calls: the directories are registered beforehand
// as fixed strings, and their entries are listed with getdents64 into a static buffer. They hold
// files only.
namespace {
constexpr int kSlots = 4;
constexpr std::size_t kPathBytes = 4096;
char paths[kSlots][kPathBytes];
volatile sig_atomic_t in_use[kSlots];

struct LinuxDirent64 {
    uint64_t d_ino;
    int64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[1];
};

void remove_dir(const char* dir) noexcept {
    int fd = ::open(dir, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        alignas(8) static char buffer[8192];
        for (;;) {
            long n = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
            if (n <= 0) break;
            for (long at = 0; at < n;) {
                auto* d = reinterpret_cast<LinuxDirent64*>(buffer + at);
                const char* name = d->d_name;
                if (!(name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))))
                    ::unlinkat(fd, name, 0);
                at += d->d_reclen;
            }
        }
        ::close(fd);
    }
    ::rmdir(dir);
}

void on_signal(int sig) {
    for (int i = 0; i < kSlots; ++i)
        if (in_use[i]) remove_dir(paths[i]);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void install() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;  // left ignored
        struct sigaction sa {};
        sa.sa_handler = on_signal;
        sigemptyset(&sa.sa_mask);
        ::sigaction(sig, &sa, nullptr);
    }
}

}  // namespace

int add(const std::string& path) {
    if (path.size() >= kPathBytes) return -1;
    install();
    for (int i = 0; i < kSlots; ++i)
        if (!in_use[i]) {
            std::memcpy(paths[i], path.c_str(), path.size() + 1);
            std::atomic_signal_fence(std::memory_order_seq_cst);  // the path is complete before it is listed
            in_use[i] = 1;
            return i;
        }
    return -1;
}

void drop(int slot) {
    if (slot >= 0) in_use[slot] = 0;
}
#else
int add(const std::string&) { return -1; }
void drop(int) {}
#endif

}  // namespace peltatxt::cli::cleanup
