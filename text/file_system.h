// file_system.h — the few file operations the codec needs, with UTF-16 paths, and a seam to make them fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace peltatxt::fs {

using Text = std::u16string_view;

// The creation time of the regular file at path in seconds since 1970-01-01 00:00 UTC, or its
// last-write time where the file system keeps no creation time (or reports 0). False when the path
// cannot be resolved, names no file, or names something other than a regular file.
bool creation_seconds(Text path, int64_t& seconds);

// An open file, closed by the destructor (whose result is ignored: call close() to learn it).
class File {
public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() { discard(); }

    bool open_read(Text path);
    // Creates a file that must not exist yet, for writing.
    bool create_new(Text path);
    // Bytes read (0 at the end of the file), or -1 on failure.
    std::ptrdiff_t read(void* buffer, std::size_t bytes);
    bool write_all(const void* buffer, std::size_t bytes);
    bool sync();
    bool close();
    // Closes without reporting or counting anything: for cleaning up after a failure.
    void discard() noexcept;
    bool is_open() const noexcept { return handle_ != kClosed; }

private:
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_ = kClosed;  // a file descriptor, or a Windows HANDLE
};

// Puts from in place of to in one step, replacing any file there.
bool replace(Text from, Text to);
// Removes a file; best effort, used to clean up.
void remove(Text path);
// A number that differs between processes, to make temporary names unique.
uint32_t process_id() noexcept;

// Test seam: the k-th counted operation from now on fails (k >= 1), and with persistent every one
// after it too; k = 0 turns failures off. Counted: opening, creating, reading, writing, syncing,
// closing and replacing. Cleaning up (remove, the destructor's close) is never made to fail.
// Returns how many operations were counted since the last call.
long fail_operation(long k, bool persistent) noexcept;

}  // namespace peltatxt::fs
