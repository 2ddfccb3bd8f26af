// file_posix.cpp — the file operations on POSIX systems: UTF-8 paths, statx birth times, bounded reads, locks.
// 64-bit offsets, sizes and inode numbers in 32-bit builds too.
#ifndef _FILE_OFFSET_BITS
#define _FILE_OFFSET_BITS 64
#endif
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "cause.h"
#include "file_fault.h"
#include "file_system.h"
#include "posix_call.h"
#include "save_target.h"
#include "text/utf8.h"

namespace peltatxt::fs {
namespace {

int fd_of(std::intptr_t h) { return static_cast<int>(h); }

using detail::failed;
using detail::failed_with;
using detail::retry_on_eintr;

// The errno that says why a file of this type is no regular file.
int not_regular_error(mode_t mode) { return S_ISDIR(mode) ? EISDIR : ENXIO; }

int open_retrying(const char* path, int flags, mode_t mode = 0) {
    return retry_on_eintr([&] { return ::open(path, flags, mode); });
}

}  // namespace

bool detail::to_utf8(Text path, std::string& out, std::error_code& ec) {
    out.clear();
    if (path.empty() || path.find(u'\0') != Text::npos) return failed_with(ec, EINVAL);
    if (!append_utf8(out, path, LoneSurrogates::Fail)) return failed_with(ec, EILSEQ);
    return true;
}

bool creation_seconds(Text path, int64_t& seconds, std::error_code& ec) {
    std::string p;
    if (!detail::to_utf8(path, p, ec)) return false;
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
    if (detail::operation_fails(error_) || !detail::to_utf8(path, p, error_)) return false;
    // Examined first, so that nothing but a regular file is ever opened: opening a FIFO waits for
    // a writer, and a device may never end. O_NONBLOCK covers a file swapped in meanwhile.
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) return failed(error_);
    if (!S_ISREG(st.st_mode)) return failed_with(error_, not_regular_error(st.st_mode));
    int fd = open_retrying(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return failed(error_);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int error = errno;
        ::close(fd);
        return failed_with(error_, S_ISREG(st.st_mode) ? error : not_regular_error(st.st_mode));
    }
    adopt(fd, static_cast<uint64_t>(st.st_size));
    return true;
}

bool File::create_new(Text path) {
    std::string p;
    if (detail::operation_fails(error_) || !detail::to_utf8(path, p, error_)) return false;
    // Readable by its owner only while it is written; a save gives it its final mode at the end.
    int fd = open_retrying(p.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return failed(error_);
    adopt(fd, 0);
    left_ = UINT64_MAX;
    return true;
}

namespace {
// Opens the existing regular file (no link) at p with flags, without waiting for anything.
int open_existing_regular(const std::string& p, int flags, uint64_t& size, std::error_code& ec) {
    int fd = open_retrying(p.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return failed(ec), -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return failed_with(ec, ENXIO), -1;
    }
    size = static_cast<uint64_t>(st.st_size);
    return fd;
}
}  // namespace

bool File::open_update(Text path) {
    std::string p;
    uint64_t size = 0;
    if (detail::operation_fails(error_) || !detail::to_utf8(path, p, error_)) return false;
    int fd = open_existing_regular(p, O_RDWR, size, error_);
    if (fd < 0) return false;
    adopt(fd, size);
    left_ = UINT64_MAX;
    return true;
}

bool File::open_to_lock(Text path) {
    std::string p;
    uint64_t size = 0;
    if (!detail::to_utf8(path, p, error_)) return false;
    // Write access, which an exclusive lock needs; nothing is written.
    int fd = open_existing_regular(p, O_WRONLY, size, error_);
    if (fd < 0) return false;
    adopt(fd, size);
    left_ = UINT64_MAX;
    return true;
}

File::Locked File::lock([[maybe_unused]] Lock which, [[maybe_unused]] bool exclusive,
                        [[maybe_unused]] int wait_ms) noexcept {
#if defined(F_OFD_SETLK)
    // Open-file-description locks: held by this open file alone, so that closing another
    // descriptor of the same file elsewhere in the process does not drop them. One byte each,
    // past nothing the file holds, so the two never conflict with each other.
    struct flock range {};
    range.l_type = exclusive ? F_WRLCK : F_RDLCK;
    range.l_whence = SEEK_SET;
    range.l_start = which == Lock::turn ? 0 : 1;
    range.l_len = 1;
    constexpr int kStepMs = 5;
    for (int waited = 0;;) {
        if (retry_on_eintr([&] { return ::fcntl(fd_of(handle_), F_OFD_SETLK, &range); }) == 0) return Locked::held;
        if (errno != EAGAIN && errno != EACCES) return Locked::unsupported;  // EINVAL, ENOLCK, EOPNOTSUPP
        if (waited >= wait_ms) return Locked::busy;
        std::this_thread::sleep_for(std::chrono::milliseconds(kStepMs));
        waited += kStepMs;
    }
#else
    return Locked::unsupported;
#endif
}

std::ptrdiff_t File::read(void* buffer, std::size_t bytes) {
    if (detail::operation_fails(error_)) return -1;
    if (left_ < bytes) bytes = static_cast<std::size_t>(left_);
    if (bytes == 0) return 0;
    ssize_t n = retry_on_eintr([&] { return ::read(fd_of(handle_), buffer, bytes); });
    if (n < 0) return failed(error_), -1;
    left_ -= static_cast<uint64_t>(n);
    return n;
}

bool File::read_at(uint64_t offset, void* buffer, std::size_t bytes) {
    if (detail::operation_fails(error_)) return false;
    auto* p = static_cast<char*>(buffer);
    while (bytes > 0) {
        ssize_t n = retry_on_eintr([&] { return ::pread(fd_of(handle_), p, bytes, static_cast<off_t>(offset)); });
        if (n < 0) return failed(error_);
        if (n == 0) return failed_with(error_, EIO);  // shorter than it was
        p += n;
        offset += static_cast<uint64_t>(n);
        bytes -= static_cast<std::size_t>(n);
    }
    return true;
}

bool File::write_all(const void* buffer, std::size_t bytes) {
    if (detail::operation_fails(error_)) return false;
    auto* p = static_cast<const char*>(buffer);
    while (bytes > 0) {
        ssize_t n = retry_on_eintr([&] { return ::write(fd_of(handle_), p, bytes); });
        if (n < 0) return failed(error_);
        if (n == 0) return failed_with(error_, ENOSPC);
        p += n;
        bytes -= static_cast<std::size_t>(n);
    }
    return true;
}

bool File::write_at(uint64_t offset, const void* buffer, std::size_t bytes) {
    if (detail::operation_fails(error_)) return false;
    auto* p = static_cast<const char*>(buffer);
    while (bytes > 0) {
        ssize_t n = retry_on_eintr([&] { return ::pwrite(fd_of(handle_), p, bytes, static_cast<off_t>(offset)); });
        if (n < 0) return failed(error_);
        if (n == 0) return failed_with(error_, ENOSPC);
        p += n;
        offset += static_cast<uint64_t>(n);
        bytes -= static_cast<std::size_t>(n);
    }
    return true;
}

bool File::truncate(uint64_t bytes) {
    if (detail::operation_fails(error_)) return false;
    return retry_on_eintr([&] { return ::ftruncate(fd_of(handle_), static_cast<off_t>(bytes)); }) == 0 || failed(error_);
}

bool File::reserve(uint64_t bytes) {
    if (detail::operation_fails(error_)) return false;
#if defined(__linux__)
    if (::fallocate(fd_of(handle_), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes)) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS)
        return failed(error_);
#else
    (void)bytes;
#endif
    return true;
}

bool File::sync() {
    if (detail::operation_fails(error_)) return false;
    return ::fsync(fd_of(handle_)) == 0 || failed(error_);
}

void File::start_writeback([[maybe_unused]] uint64_t offset, [[maybe_unused]] uint64_t bytes) noexcept {
#if defined(__linux__)
    ::sync_file_range(fd_of(handle_), static_cast<off_t>(offset), static_cast<off_t>(bytes), SYNC_FILE_RANGE_WRITE);
#endif
}

bool File::close() {
    if (handle_ == kClosed) return true;
    int fd = fd_of(handle_);
    handle_ = kClosed;
    bool fault = detail::operation_fails(error_);
    // The descriptor is released even when close reports an error; it must not be closed again.
    if (::close(fd) != 0) return failed(error_);
    return !fault;
}

void set_system_error(std::error_code cause, int fallback) noexcept { errno = cause ? cause.value() : fallback; }

uint64_t file_size_limit() noexcept {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return UINT64_MAX;
    return static_cast<uint64_t>(limit.rlim_cur);
}

void remove(Text path) {
    std::string p;
    std::error_code ignored;
    if (detail::to_utf8(path, p, ignored)) ::unlink(p.c_str());
}

}  // namespace peltatxt::fs
