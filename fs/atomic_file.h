// atomic_file.h — AtomicFile: a save that replaces its target only when complete and keeps what the target is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

#include "file_system.h"
#include "save_target.h"

namespace peltatxt::fs {

// The save, stated once here: writeDataFile, the tool's outputs and everything else that writes a
// file go through it (the export's header and the README point here).
//
// A failure at any point leaves the previous file as it was, byte for byte, with its mode, owner,
// links and attributes; a crash at any point (a kill, a power cut) leaves the previous content
// complete: in the target, or in the backup of a save in place. The cause of a failure is
// error() (ENOSPC, EACCES, EBUSY, EFBIG, ...; file_system.h states how causes are given).
//
// Refused in open(), with nothing changed and nothing opened for writing (save::examine): no
// regular file (a directory, FIFO, device or socket, or a link to one); a file the process may
// not write (mode bits, ACL, read-only file system, the immutable or append-only flag on Linux,
// the read-only attribute on Windows); one nobody may write (no write bit, even for a process
// whose privileges would let it write anyway). A link is followed, and the file it names is saved
// (on POSIX a dangling link gets its file created; on Windows it is refused).
//
// Turns: open() takes the target's turn lock (File::Lock::turn), waiting at most kLockWaitMs, and
// fails with EBUSY when another save keeps it that long; it holds the lock until the save is done
// and examines the target again once it has it, so a save that waited sees what the last one left.
//
// By rename: writes go to a private temporary file in the target's directory, readable by its
// owner only (unnamed where Linux allows it, else ".peltatxt-<pid>-<hex>.tmp", never following a
// planted link; see temp_name.h for the sweep of those a killed process left). Every
// kWritebackBytes its new bytes are sent on to the device. commit() syncs it, gives it the
// target's owner, group, extended attributes (with the ACL) and, last, its mode, and puts it in
// the target's place in one step (ReplaceFileW on Windows, which keeps ACL, attributes, streams
// and the creation time). A new file gets 0666 less the umask (on Windows its directory's ACL).
//
// In place: where a rename would change what the file is (it has other names, or the process
// cannot give the new file the owner or an attribute) or the directory takes no new file,
// commit() writes the target itself. It holds File::Lock::content meanwhile (on Windows it opens
// the file to itself), so that imports read the backup instead of a torn file. First the previous
// content is copied into a backup (save_target.h), complete and synced before the target is
// touched: beside the target, or in the user's private backup directory when the directory takes
// no new file; with no safe place for it the save is refused (EACCES) in open(). A backup an
// earlier save left is kept instead (the target may be torn). Room for the new content is
// reserved; any failure then puts the previous content back from the backup (three attempts);
// success, complete and synced, removes the backup. Without a temporary file the new content is
// held in memory, up to kMaxInPlaceBytes (EFBIG beyond).
//
// Nothing is written past the process's file-size limit (RLIMIT_FSIZE): such a save fails with
// EFBIG before the write that would raise SIGXFSZ. Until commit() succeeds the target is
// untouched, and an uncommitted or failed temporary file is removed.
class AtomicFile {
public:
    // Every this many bytes written, the temporary file's new bytes are sent on to the device while
    // the rest is produced, so that the sync in commit() waits for little more than the last part.
    static constexpr uint64_t kWritebackBytes = uint64_t{4} << 20;
    // The most new content held in memory for a save in place without a temporary file.
    static constexpr uint64_t kMaxInPlaceBytes = uint64_t{256} << 20;

    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile() { abandon(); }

    bool open(std::u16string_view target);
    bool write(const char16_t* units, std::size_t count);  // as UTF-16LE bytes
    bool write_bytes(const void* bytes, std::size_t count);
    bool commit();
    bool failed() const noexcept { return failed_; }
    // Why the save failed: the cause of its first failure (empty while it has not failed).
    std::error_code error() const noexcept { return error_; }

private:
    bool fail(std::error_code cause) noexcept;
    bool fits(uint64_t bytes, std::error_code& ec) const noexcept;
    bool take_turn(std::u16string_view target, std::error_code& ec);
    bool write_in_place(File* source, uint64_t bytes, std::error_code& ec);
    bool make_backup(File& target, uint64_t bytes, std::u16string& backup, std::error_code& ec);
    void abandon() noexcept;

    SaveTarget target_;
    File turn_;          // the target, open for its turn lock
    File file_;          // the temporary file
    std::u16string temp_;    // its name, when it has one
    std::string pending_;    // the new content, when there is no temporary file
    bool buffered_ = false;  // writes go to pending_
    bool private_backup_ = false;  // the target's directory takes no new file
    bool open_ = false;
    uint64_t written_ = 0;
    uint64_t writeback_from_ = 0;  // the first byte of the temporary file not yet sent to the device
    uint64_t size_limit_ = UINT64_MAX;
    bool failed_ = false;
    std::error_code error_;
};

}  // namespace peltatxt::fs
