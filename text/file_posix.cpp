// file_posix.cpp — the file operations on POSIX systems: UTF-8 paths, statx birth times, rename to replace.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "file_fault.h"
#include "file_system.h"
#include "utf8.h"

namespace peltatxt::fs {
namespace {

// The UTF-8 file name for path. False for a lone surrogate or a U+0000, which no POSIX path can hold.
bool to_utf8(Text path, std::string& out) {
    out.clear();
    if (path.empty() || path.find(u'\0') != Text::npos) return false;
    return append_utf8(out, path, true);
}

int fd_of(std::intptr_t h) { return static_cast<int>(h); }

}  // namespace

bool creation_seconds(Text path, int64_t& seconds) {
    std::string p;
    if (!to_utf8(path, p)) return false;
    struct statx st {};
    if (statx(AT_FDCWD, p.c_str(), 0, STATX_TYPE | STATX_MTIME | STATX_BTIME, &st) != 0) return false;
    if (!S_ISREG(st.stx_mode)) return false;
    seconds = (st.stx_mask & STATX_BTIME) && st.stx_btime.tv_sec != 0 ? st.stx_btime.tv_sec : st.stx_mtime.tv_sec;
    return true;
}

void File::discard() noexcept {
    if (handle_ != kClosed) ::close(fd_of(handle_));
    handle_ = kClosed;
}

bool File::open_read(Text path) {
    std::string p;
    if (detail::operation_fails() || !to_utf8(path, p)) return false;
    int fd;
    do fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    handle_ = fd;
    return true;
}

bool File::create_new(Text path) {
    std::string p;
    if (detail::operation_fails() || !to_utf8(path, p)) return false;
    int fd;
    do fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    handle_ = fd;
    return true;
}

std::ptrdiff_t File::read(void* buffer, std::size_t bytes) {
    if (detail::operation_fails()) return -1;
    for (;;) {
        ssize_t n = ::read(fd_of(handle_), buffer, bytes);
        if (n >= 0) return n;
        if (errno != EINTR) return -1;
    }
}

bool File::write_all(const void* buffer, std::size_t bytes) {
    if (detail::operation_fails()) return false;
    auto* p = static_cast<const char*>(buffer);
    while (bytes > 0) {
        ssize_t n = ::write(fd_of(handle_), p, bytes);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        p += n;
        bytes -= static_cast<std::size_t>(n);
    }
    return true;
}

bool File::sync() {
    if (detail::operation_fails()) return false;
    return ::fsync(fd_of(handle_)) == 0;
}

bool File::close() {
    if (handle_ == kClosed) return true;
    int fd = fd_of(handle_);
    handle_ = kClosed;
    bool failed = detail::operation_fails();
    // The descriptor is released even when close reports an error; it must not be closed again.
    return ::close(fd) == 0 && !failed;
}

bool replace(Text from, Text to) {
    std::string f, t;
    if (detail::operation_fails() || !to_utf8(from, f) || !to_utf8(to, t)) return false;
    // Taken before the rename: nothing may fail (or throw) once the new file is in place.
    std::string dir = t.substr(0, t.find_last_of('/') == std::string::npos ? 0 : t.find_last_of('/') + 1);
    if (::rename(f.c_str(), t.c_str()) != 0) return false;
    // Make the rename itself durable; the new file is already complete and in place, so a
    // directory that cannot be synced does not undo the export.
    int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

void remove(Text path) {
    std::string p;
    if (to_utf8(path, p)) ::unlink(p.c_str());
}

uint32_t process_id() noexcept { return static_cast<uint32_t>(::getpid()); }

}  // namespace peltatxt::fs
