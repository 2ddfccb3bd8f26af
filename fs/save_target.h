// save_target.h — the platform's part of a save: examining the target, the temporary file, keeping the target's identity.
#pragma once

#include <cstdint>
#include <string>
#include <system_error>

#include "file_system.h"

namespace peltatxt::fs {

// What a save found at its target before writing anything. Filled by save::examine; the fields a
// platform does not use stay 0.
struct SaveTarget {
    std::u16string path;  // the file itself: links resolved; on Windows absolute, "\\?\" when long
    std::u16string dir;   // its directory, with a trailing separator (empty: the current one)
    bool exists = false;
    // Only writing the file itself keeps what it is (it has several names): no temporary file.
    bool in_place = false;
    uint64_t device = 0, inode = 0, size = 0;
    uint32_t mode = 0;  // the final mode: the file's, or 0666 less the umask for a new file
    uint32_t owner = 0, group = 0;
    int64_t access_s = 0, access_ns = 0, modify_s = 0, modify_ns = 0;
    // Windows: the attributes and the creation time (FILETIME ticks), which seeds record ids.
    uint32_t attributes = 0;
    int64_t created = 0;
};

namespace save {

// Resolves the target and decides whether it may be saved: false, with the cause in ec, for the
// refusals that atomic_file.h states. Nothing is opened for writing and nothing blocks.
bool examine(Text path, SaveTarget& target, std::error_code& ec);

// Why a save of path would be refused, or fail before it wrote anything, found without changing
// anything: examine's refusals of the target, then its directory's (missing, no directory, no
// file may be created there, read-only, no space or no inodes left). error is 0 when nothing is
// found; the save itself refuses for exactly examine's reasons and finds the directory's when
// it creates its temporary file.
struct Refusal {
    int error = 0;
    bool no_creation = false;     // the directory lets no new file be created by this process
    bool out_of_inodes = false;   // ENOSPC: no inode left for a new file
    std::u16string dir;           // the target's directory, when the refusal is its
};
Refusal why_refused(Text path);

// Creates the private temporary file in the target's directory: readable by the owner only,
// without a name where the system allows it (name is then left empty), else under a fresh random
// name that is retried on a clash and never follows a planted link. Stale temporary files of
// processes that are gone are removed first. The cause is EACCES or EPERM when the directory
// takes no new file.
bool create_temp(const SaveTarget& target, File& temp, std::u16string& name, std::error_code& ec);

enum class Identity { kept, needs_in_place, failed };
// Gives the complete temporary file the target's owner, group, extended attributes (and with them
// the ACL) and, last, its mode. needs_in_place when the process cannot give one of them.
Identity give_identity(const SaveTarget& target, File& temp, std::error_code& ec);

// Puts the synced temporary file in the target's place (named first when it has no name), keeping
// what the platform keeps only this way (on Windows: ReplaceFileW). The target is untouched when
// this fails; the temporary file is then removed.
bool put_in_place(const SaveTarget& target, File& temp, std::u16string& name, std::error_code& ec);

// Renames a complete, synced temporary file (named first when it has no name) to final_path, a
// name of this library's own, and makes the rename durable.
bool publish(File& temp, std::u16string& name, Text final_path, std::error_code& ec);
// Removes a file and makes that durable; best effort.
void remove_synced(Text path) noexcept;

// The backup of a save in place (the save is stated in atomic_file.h): beside the target
// (backup_beside), or, where the target's directory takes no new file, in the user's private
// backup directory (backup_in): $XDG_STATE_HOME/peltatxt/backups, else
// ~/.local/state/peltatxt/backups; %LOCALAPPDATA%\peltatxt\backups on Windows. One that exists
// is complete; imports read it instead of the target while it exists (open_for_import).
//
// The private backup directory, with a trailing separator; with create, made where it is
// missing (readable by this user only). False (EACCES) when there is none that is this user's
// alone and on a disk (not in memory, where no backup outlives a crash).
bool private_backup_dir(bool create, std::u16string& dir, std::error_code& ec);
// The backup's name beside t: ".<name>.<file id>.peltatxt-backup", the name cut to 64 units.
std::u16string backup_beside(const SaveTarget& t);
// Its name in the private backup directory dir: "<volume>-<file id>.peltatxt-backup".
std::u16string backup_in(const std::u16string& dir, const SaveTarget& t);
// A backup of t that a save in place left, beside t or in the private directory.
bool leftover_backup(const SaveTarget& t, std::u16string& path);
// True when backup is a regular file with one name that may stand for t's previous content: of
// t's owner or the administrator beside t, of this user in the private directory.
bool is_backup_of(Text backup, const SaveTarget& t, bool in_private_dir);
// Fills path (links resolved), dir, device, inode, size, owner and group for the file at path,
// open as file: what an import needs to find a backup.
bool identify(Text path, const File& file, SaveTarget& t, std::error_code& ec);

// True when an open file is the file examine found.
bool is_target(const SaveTarget& target, const File& file);
// Puts back the target's last-access and last-write times after it was written in place and
// restored; best effort.
void restore_times(const SaveTarget& target, File& file) noexcept;

}  // namespace save

namespace detail {
#if defined(_WIN32)
// How often, and how many milliseconds apart, a file that another program holds open (an
// indexer, a virus scanner) is tried again.
inline constexpr int kShareRetries = 20;
inline constexpr unsigned long kShareWaitMs = 50;
// The path as the system takes it: zero-terminated, made absolute and given the "\\?\" prefix
// when it is too long for the plain form. False (EINVAL) for an empty path or one holding U+0000.
bool to_wide(Text path, std::wstring& out, std::error_code& ec);
#else
// The UTF-8 file name for path. False for an empty path or a U+0000 (EINVAL) and a lone surrogate
// (EILSEQ), which no POSIX path can hold.
bool to_utf8(Text path, std::string& out, std::error_code& ec);
#endif
}  // namespace detail

}  // namespace peltatxt::fs
