// file_system.h — the few file operations the codec needs, with UTF-16 paths, and (in tests) a seam to make them fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace peltatxt::fs {

using Text = std::u16string_view;

// Failures. An operation of this layer that fails returns false (File::read: -1) and gives its
// cause with the call, never through state that outlives it: the operations of a File or an
// AtomicFile keep it in the object (error()), every other function sets its last parameter,
// std::error_code& ec, and leaves it alone when it succeeds. A cause is an errno value in
// std::generic_category(): ENOSPC, EACCES, EROFS, EISDIR, ...; EIO for an injected failure; on
// Windows the system's error mapped to one. A function that can fail without a cause says so;
// callers start ec empty and fall back on a cause of their own (the exports, set_system_error).
// Where a caller needs no cause, an overload without ec drops it.

// The creation time of the regular file at path in seconds since 1970-01-01 00:00 UTC, or its
// last-write time where the file system keeps no creation time (or reports 0). False when the path
// cannot be resolved, names no file, or names something other than a regular file; a cause only
// for a path that no file can have (EINVAL: empty or holding U+0000; EILSEQ on POSIX: a lone
// surrogate).
bool creation_seconds(Text path, int64_t& seconds, std::error_code& ec);
inline bool creation_seconds(Text path, int64_t& seconds) {
    std::error_code ignored;
    return creation_seconds(path, seconds, ignored);
}

// An open file, closed by the destructor (whose result is ignored: call close() to learn it).
// error() is the cause of its last failed operation.
class File {
public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() { discard(); }

    // Opens a regular file for reading, and nothing else: the path is examined before it is opened,
    // the open cannot block (a FIFO or a device is refused before any open), and the open file is
    // examined again. Reads then end at the size the file had when it was opened, so a file that
    // grows meanwhile reads as it was, and one that reports size 0 (as under /proc) reads as empty.
    bool open_read(Text path);
    // Creates a file that must not exist yet, for writing, readable and writable by its owner only.
    bool create_new(Text path);
    // Opens an existing regular file for reading and writing without truncating it.
    bool open_update(Text path);
    // Opens an existing regular file (no link) for nothing but its locks. Not counted by the
    // test seams.
    bool open_to_lock(Text path);
    // Bytes read (0 at the end of the file), or -1 on failure.
    std::ptrdiff_t read(void* buffer, std::size_t bytes);
    // Reads exactly bytes from offset; false on failure or a short file.
    bool read_at(uint64_t offset, void* buffer, std::size_t bytes);
    bool write_all(const void* buffer, std::size_t bytes);
    bool write_at(uint64_t offset, const void* buffer, std::size_t bytes);
    // Sets the file's length.
    bool truncate(uint64_t bytes);
    // Reserves room for a file of this length without changing it; true where the file system
    // offers no way to reserve (the writes then find out).
    bool reserve(uint64_t bytes);
    bool sync();
    // Asks the system to start writing these bytes to the device now, without waiting for it, so
    // that a sync later has less left to do. A hint: nothing where the system has no such request,
    // and no failure is reported.
    void start_writeback(uint64_t offset, uint64_t bytes) noexcept;
    bool close();

    // Advisory locks between processes that save and import the same file. A save holds
    // Lock::turn exclusively from examining its target until the new content is in place, so two
    // saves of one file take turns; a save that writes the target itself also holds Lock::content
    // exclusively while the target is incomplete, and an import holds Lock::content shared while
    // it reads. Tried without blocking, again every few milliseconds for at most wait_ms; busy
    // when another process held it all that time; unsupported where the file system keeps no
    // such locks (callers then go on without). Released when the file is closed. Never counted
    // as an operation by the test seams. On Windows the sharing modes of the opens do this work
    // (see save_target.h), and this reports unsupported.
    enum class Lock { turn, content };
    enum class Locked { held, busy, unsupported };
    Locked lock(Lock which, bool exclusive, int wait_ms) noexcept;

    // Closes without reporting or counting anything: for cleaning up after a failure.
    void discard() noexcept;
    bool is_open() const noexcept { return handle_ != kClosed; }
    void swap(File& other) noexcept {
        std::swap(handle_, other.handle_);
        std::swap(size_, other.size_);
        std::swap(left_, other.left_);
        std::swap(error_, other.error_);
    }
    // The size when opened (open_read, open_update); what is left to read for open_read.
    uint64_t size() const noexcept { return size_; }
    std::intptr_t native() const noexcept { return handle_; }
    std::error_code error() const noexcept { return error_; }
    void adopt(std::intptr_t handle, uint64_t size) noexcept {
        discard();
        handle_ = handle;
        size_ = size;
        left_ = size;
    }

private:
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_ = kClosed;  // a file descriptor, or a Windows HANDLE
    uint64_t size_ = 0;
    uint64_t left_ = UINT64_MAX;  // what open_read may still read
    std::error_code error_;
};

// How long a save waits for its turn, and an import for a save in place to finish, in milliseconds.
inline constexpr int kLockWaitMs = 1000;

// Opens what an import of path reads: the file itself, holding Lock::content shared so that no
// save writes it in place meanwhile; or, where such a save is under way or was cut short (a
// crash, a kill, a power cut), the complete backup of the previous content that it made first.
// Fails as open_read does.
bool open_for_import(Text path, File& file, std::error_code& ec);

// Removes a file; best effort, used to clean up.
void remove(Text path);

// The largest file this process may write (RLIMIT_FSIZE), or UINT64_MAX without a limit. A write
// past it would raise SIGXFSZ, which ends a process that does not ignore it, so saves refuse
// (EFBIG) before writing what would not fit.
uint64_t file_size_limit() noexcept;

// Leaves cause (fallback when it is empty) where the platform's callers look for a failure's
// cause: in errno on POSIX, in GetLastError() (mapped back) on Windows.
void set_system_error(std::error_code cause, int fallback) noexcept;

#if defined(PELTATXT_FAULT_SEAMS)
// Test seams, in the test variant of the core only (fs/file_fault.cpp).
//
// The k-th counted operation from now on fails (k >= 1), and with persistent every one after it
// too; k = 0 turns failures off. Counted: opening, creating, reading, writing, syncing, closing
// and replacing, and the steps of a save: reserving, truncating, giving a file its owner,
// attributes and mode, linking it into place. Cleaning up (remove, the destructor's close) is
// never made to fail. A failed operation gives EIO as its cause.
// Returns how many operations were counted since the last call.
long fail_operation(long k, bool persistent) noexcept;
// Fails the run of count operations starting with the k-th (count >= 1).
long fail_operations(long k, long count) noexcept;
// With false, saves use named temporary files even where unnamed ones are possible (as on file
// systems without O_TMPFILE; Windows always uses named ones). Returns the previous setting.
bool use_unnamed_temporaries(bool on) noexcept;
// Fails exactly the operations at the given positions (1 = the next one; at most four).
long fail_operations_at(const long* positions, int count) noexcept;
#endif

}  // namespace peltatxt::fs
