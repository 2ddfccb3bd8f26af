// save_posix.cpp — a save's POSIX steps: links resolved, protection checked, private temporaries, owner, xattrs and mode kept.
// 64-bit offsets, sizes and inode numbers in 32-bit builds too.
#ifndef _FILE_OFFSET_BITS
#define _FILE_OFFSET_BITS 64
#endif
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/fs.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "cause.h"
#include "file_fault.h"
#include "posix_call.h"
#include "save_target.h"
#include "temp_name.h"
#include "text/utf8.h"

namespace peltatxt::fs::save {
namespace {

constexpr int kMaxLinkHops = 40;
constexpr int kNameAttempts = 100;
using detail::failed;
using detail::failed_with;
using detail::retry_on_eintr;

int fd_of(const File& f) { return static_cast<int>(f.native()); }

// The UTF-8 form of a path this file layer made itself, which always has one.
std::string utf8_of(Text path) {
    std::string p;
    std::error_code ignored;
    detail::to_utf8(path, p, ignored);
    return p;
}

// The UTF-16 form of a UTF-8 path; false for bytes that are no UTF-8 (a link may name such a
// file), which the UTF-16 paths of the save could not carry back.
bool utf16_of(const std::string& p, std::u16string& out, std::error_code& ec) {
    out.clear();
    // One allocation whatever the length (at most one unit per byte), so that the allocation
    // counts of a save do not depend on its path.
    if (p.find('\0') != std::string::npos || !append_utf16(out, p, LoneSurrogates::Fail)) return failed_with(ec, EILSEQ);
    return true;
}

std::string dir_of(const std::string& p) {
    std::size_t slash = p.rfind('/');
    return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}

// The mode creat() would give a new file: 0666 less the umask, read without changing it where
// the system shows it (umask() would change it for every thread of the host for a moment).
uint32_t new_file_mode() {
    mode_t mask = 022;
    bool known = false;
    if (std::FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, "Umask:", 6) == 0) {
                mask = static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8));
                known = true;
                break;
            }
        std::fclose(f);
    }
    if (!known) {
        mask = ::umask(022);
        ::umask(mask);
    }
    return 0666u & ~static_cast<uint32_t>(mask);
}

// A temporary file's path in dir (see temp_name.h).
std::string temp_name(const std::string& dir, bool fresh = false) {
    return dir + temp_name::make(static_cast<unsigned long>(::getpid()), fresh);
}

// Removes this library's temporary files that a process left behind when it was killed: regular
// files of ours, named with a pid that no longer runs, or whose lock no process holds any more
// (the pid came round again). A live save holds a lock on its temporary file until it is in place.
void sweep(const std::string& dir) {
    int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) return;
    DIR* d = ::fdopendir(dfd);
    if (!d) {
        ::close(dfd);
        return;
    }
    std::vector<std::string> stale;
    while (dirent* e = ::readdir(d)) {
        temp_name::Owner owner = temp_name::owner_of(e->d_name);
        if (owner.pid == 0 || owner.pid == static_cast<unsigned long>(::getpid())) continue;
        struct stat st {};
        if (::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid())
            continue;
        bool gone = ::kill(static_cast<pid_t>(owner.pid), 0) != 0 && errno == ESRCH;
        if (!gone && owner.locked) {
            int fd = ::openat(dfd, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
            if (fd < 0) continue;
            gone = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
            ::close(fd);
        }
        if (gone) stale.emplace_back(e->d_name);
    }
    for (const std::string& name : stale) ::unlinkat(dfd, name.c_str(), 0);
    ::closedir(d);
}

bool same_file(const struct stat& st, const SaveTarget& t) {
    return static_cast<uint64_t>(st.st_dev) == t.device && static_cast<uint64_t>(st.st_ino) == t.inode;
}

// Names of the extended attributes of a file (by descriptor), or of the file at path.
bool list_xattrs(int fd, const std::string& path, std::vector<std::string>& names, std::error_code& ec) {
    names.clear();
    std::vector<char> buffer;
    for (int attempt = 0; attempt < 4; ++attempt) {
        ssize_t n = fd >= 0 ? ::flistxattr(fd, nullptr, 0) : ::llistxattr(path.c_str(), nullptr, 0);
        if (n < 0) return errno == ENOTSUP || errno == ENOSYS ? true : failed(ec);
        if (n == 0) return true;
        buffer.resize(static_cast<std::size_t>(n));
        n = fd >= 0 ? ::flistxattr(fd, buffer.data(), buffer.size()) : ::llistxattr(path.c_str(), buffer.data(), buffer.size());
        if (n < 0 && errno == ERANGE) continue;  // grew meanwhile
        if (n < 0) return failed(ec);
        for (std::size_t i = 0; i < static_cast<std::size_t>(n);) {
            std::string name(buffer.data() + i);
            i += name.size() + 1;
            if (!name.empty()) names.push_back(std::move(name));
        }
        return true;
    }
    return failed_with(ec, EAGAIN);
}

bool get_xattr(const std::string& path, const std::string& name, std::vector<char>& value, std::error_code& ec) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        ssize_t n = ::lgetxattr(path.c_str(), name.c_str(), nullptr, 0);
        if (n < 0) return failed(ec);
        value.resize(static_cast<std::size_t>(n));
        if (n == 0) return true;
        n = ::lgetxattr(path.c_str(), name.c_str(), value.data(), value.size());
        if (n >= 0) {
            value.resize(static_cast<std::size_t>(n));
            return true;
        }
        if (errno != ERANGE) return failed(ec);
    }
    return failed_with(ec, EAGAIN);
}

// An attribute the process may not set or remove (a security label, a trusted.* name for someone
// not privileged, a file system without that namespace) means only writing in place keeps it.
bool refused(int error) { return error == EPERM || error == EACCES || error == ENOTSUP || error == EOPNOTSUPP; }

}  // namespace

bool examine(Text path, SaveTarget& t, std::error_code& ec) {
    t = SaveTarget{};
    std::string p;
    if (!detail::to_utf8(path, p, ec)) return false;
    struct stat st {};
    for (int hops = 0;; ++hops) {
        if (::lstat(p.c_str(), &st) != 0) {
            if (errno != ENOENT) return failed(ec);
            break;  // a new file, perhaps at the end of a dangling link
        }
        if (!S_ISLNK(st.st_mode)) {
            t.exists = true;
            break;
        }
        // A link stays a link: the save goes to the file it names.
        if (hops == kMaxLinkHops) return failed_with(ec, ELOOP);
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        ssize_t n = ::readlink(p.c_str(), link.data(), link.size());
        if (n < 0) return failed(ec);
        if (static_cast<std::size_t>(n) >= link.size()) return failed_with(ec, ENAMETOOLONG);
        link.resize(static_cast<std::size_t>(n));
        if (link.empty()) return failed_with(ec, ENOENT);
        p = link[0] == '/' ? link : dir_of(p) + link;
    }
    if (!utf16_of(p, t.path, ec) || !utf16_of(dir_of(p), t.dir, ec)) return false;
    if (!t.exists) {
        t.mode = new_file_mode();
        return true;
    }
    if (!S_ISREG(st.st_mode)) return failed_with(ec, S_ISDIR(st.st_mode) ? EISDIR : ENXIO);
    // Write permission as the kernel would grant it to this process: mode bits, ACL, read-only
    // mounts and immutable files (EPERM).
    if (::faccessat(AT_FDCWD, p.c_str(), W_OK, AT_EACCESS) != 0) return failed(ec);
    // A privileged process may write anything; a file nobody may write is protected all the same.
    if ((st.st_mode & 0222) == 0) return failed_with(ec, EACCES);
    // Read the flags and the content through a descriptor that is certainly this regular file.
    int fd = ::open(p.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return failed(ec);
    struct stat again {};
    bool same = ::fstat(fd, &again) == 0 && S_ISREG(again.st_mode) && again.st_dev == st.st_dev &&
                again.st_ino == st.st_ino;
#if defined(__linux__) && defined(FS_IOC_GETFLAGS)
    int flags = 0;
    bool locked = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
#else
    bool locked = false;
#endif
    ::close(fd);
    if (!same) return failed_with(ec, EAGAIN);
    if (locked) return failed_with(ec, EPERM);
    t.device = static_cast<uint64_t>(st.st_dev);
    t.inode = static_cast<uint64_t>(st.st_ino);
    t.size = static_cast<uint64_t>(st.st_size);
    t.mode = static_cast<uint32_t>(st.st_mode & 07777);
    t.owner = static_cast<uint32_t>(st.st_uid);
    t.group = static_cast<uint32_t>(st.st_gid);
    t.access_s = st.st_atim.tv_sec;
    t.access_ns = st.st_atim.tv_nsec;
    t.modify_s = st.st_mtim.tv_sec;
    t.modify_ns = st.st_mtim.tv_nsec;
    t.in_place = st.st_nlink > 1;
    return true;
}

Refusal why_refused(Text path) {
    Refusal r;
    SaveTarget t;
    if (std::error_code ec; !examine(path, t, ec)) {
        r.error = ec.value();
        return r;
    }
    std::string dir = utf8_of(t.dir);
    if (dir.empty()) dir.push_back('.');
    r.dir = t.dir;
    if (r.dir.empty()) r.dir.push_back(u'.');
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0) {
        r.error = errno;
    } else if (!S_ISDIR(st.st_mode)) {
        r.error = ENOTDIR;
    } else if (!t.exists && ::faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        r.error = errno;
        r.no_creation = true;
    } else if (struct statvfs vfs {}; ::statvfs(dir.c_str(), &vfs) == 0) {
        if (vfs.f_flag & ST_RDONLY) {
            r.error = EROFS;
        } else if (vfs.f_bavail == 0) {
            r.error = ENOSPC;
        } else if (!t.exists && vfs.f_favail == 0 && vfs.f_files != 0) {
            r.error = ENOSPC;
            r.out_of_inodes = true;
        }
    }
    if (r.error == 0) r.dir.clear();
    return r;
}

bool create_temp(const SaveTarget& t, File& temp, std::u16string& name, std::error_code& ec) {
    name.clear();
    if (detail::operation_fails(ec)) return false;
    std::string dir = utf8_of(t.dir);
    sweep(dir);
#if defined(O_TMPFILE)
    // Without a name nothing is left behind by a process killed before the file is in place.
    bool unnamed = detail::unnamed_temporaries_allowed();
    int fd = unnamed ? ::open(dir.empty() ? "." : dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600) : -1;
    if (!unnamed) errno = EOPNOTSUPP;
    if (fd >= 0) {
        ::flock(fd, LOCK_EX | LOCK_NB);  // also once it is named for the rename
        temp.adopt(fd, 0);
        return true;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOSYS) return failed(ec);
#endif
    std::u16string wide;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string p = temp_name(dir), fresh = temp_name(dir, true);
        if (!utf16_of(p, wide, ec)) return false;
        int named = retry_on_eintr([&] { return ::open(fresh.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600); });
        if (named < 0) {
            if (errno == EEXIST) continue;  // planted or taken: another name
            return failed(ec);
        }
        ::flock(named, LOCK_EX | LOCK_NB);  // tells the sweep that this file is alive
        if (::rename(fresh.c_str(), p.c_str()) != 0) {
            int error = errno;
            ::unlink(fresh.c_str());
            ::close(named);
            return failed_with(ec, error);
        }
        temp.adopt(named, 0);
        name.swap(wide);
        return true;
    }
    return failed_with(ec, EEXIST);
}

Identity give_identity(const SaveTarget& t, File& temp, std::error_code& ec) {
    int fd = fd_of(temp);
    if (t.exists) {
        struct stat st {};
        if (::fstat(fd, &st) != 0) return failed(ec), Identity::failed;
        if (st.st_uid != t.owner || st.st_gid != t.group) {
            if (detail::operation_fails(ec)) return Identity::failed;
            if (::fchown(fd, t.owner, t.group) != 0) {
                if (errno == EPERM) return Identity::needs_in_place;  // another's file, and no privilege
                return failed(ec), Identity::failed;
            }
        }
        std::string path = utf8_of(t.path);
        std::vector<std::string> wanted, present;
        if (!list_xattrs(-1, path, wanted, ec)) return refused(ec.value()) ? Identity::needs_in_place : Identity::failed;
        std::vector<char> value;
        for (const std::string& name : wanted) {
            if (std::error_code why; !get_xattr(path, name, value, why)) {
                if (why.value() == ENODATA) continue;  // removed meanwhile
                ec = why;
                return refused(ec.value()) ? Identity::needs_in_place : Identity::failed;
            }
            if (detail::operation_fails(ec)) return Identity::failed;
            if (::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) != 0)
                return failed(ec), refused(errno) ? Identity::needs_in_place : Identity::failed;
        }
        // What the new file got from its directory (an inherited ACL) but the target lacks.
        if (!list_xattrs(fd, {}, present, ec)) return Identity::failed;
        for (const std::string& name : present) {
            bool keep = false;
            for (const std::string& w : wanted) keep = keep || w == name;
            if (keep) continue;
            if (detail::operation_fails(ec)) return Identity::failed;
            if (::fremovexattr(fd, name.c_str()) != 0 && errno != ENODATA)
                return failed(ec), refused(errno) ? Identity::needs_in_place : Identity::failed;
        }
    }
    // The final mode last: fchown clears set-id bits, and an ACL written above sets the group bits.
    if (detail::operation_fails(ec)) return Identity::failed;
    if (::fchmod(fd, static_cast<mode_t>(t.mode)) != 0) return failed(ec), Identity::failed;
    return Identity::kept;
}

namespace {

void sync_dir(const std::string& dir) {
    int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

// Gives an unnamed temporary file a name of the usual pattern in dir (p), for the moment before
// the rename; a named one keeps its own.
bool named_temp(const std::string& dir, File& temp, std::u16string& name, std::string& p, std::error_code& ec) {
    if (!name.empty()) {
        p = utf8_of(name);
        return true;
    }
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd_of(temp));
    std::u16string linked;
    for (int attempt = 0;; ++attempt) {
        if (attempt == kNameAttempts) return failed_with(ec, EEXIST);
        p = temp_name(dir);
        if (!utf16_of(p, linked, ec)) return false;
        if (detail::operation_fails(ec)) return false;
        if (::linkat(AT_FDCWD, self, AT_FDCWD, p.c_str(), AT_SYMLINK_FOLLOW) == 0) break;
        if (errno == EEXIST) continue;
        if (errno != ENOENT || ::linkat(fd_of(temp), "", AT_FDCWD, p.c_str(), AT_EMPTY_PATH) != 0) return failed(ec);
        break;
    }
    name.swap(linked);
    return true;
}

// A target that was missing when examined but is there now: another save made it meanwhile.
// Once that save has finished (its turn lock is free) it is replaced like any earlier file; a
// link or anything but a regular file found there is left alone.
bool appeared_meanwhile(const std::string& target) {
    int fd = ::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    File f;
    f.adopt(fd, 0);
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && f.lock(File::Lock::turn, true, kLockWaitMs) != File::Locked::busy;
}

}  // namespace

bool put_in_place(const SaveTarget& t, File& temp, std::u16string& name, std::error_code& ec) {
    // Every name is made before the file is linked: nothing may fail (or throw) once it has a name
    // that only this call knows.
    std::string dir = utf8_of(t.dir), target = utf8_of(t.path), p;
    if (!named_temp(dir, temp, name, p, ec)) return false;
    // The target must still be the file examined (or still be missing). The turn lock taken when
    // it was examined keeps other saves of this library away; this finds anything else.
    struct stat st {};
    bool still = t.exists ? ::lstat(target.c_str(), &st) == 0 && same_file(st, t) && S_ISREG(st.st_mode)
                          : (::lstat(target.c_str(), &st) != 0 && errno == ENOENT) || appeared_meanwhile(target);
    bool ok = false;
    if (!still) {
        failed_with(ec, EAGAIN);
    } else if (!detail::operation_fails(ec)) {
        ok = ::rename(p.c_str(), target.c_str()) == 0 || failed(ec);
    }
    if (!ok) {
        ::unlink(p.c_str());
        name.clear();
        return false;
    }
    name.clear();
    // Make the rename itself durable; the new file is already complete and in place, so a
    // directory that cannot be synced does not undo the save.
    sync_dir(dir);
    return true;
}

bool publish(File& temp, std::u16string& name, Text final_path, std::error_code& ec) {
    std::string to = utf8_of(final_path), dir = dir_of(to), p;
    if (!named_temp(dir, temp, name, p, ec)) return false;
    bool ok = !detail::operation_fails(ec) && (::rename(p.c_str(), to.c_str()) == 0 || failed(ec));
    if (!ok) ::unlink(p.c_str());
    name.clear();
    if (ok) sync_dir(dir);
    return ok;
}

void remove_synced(Text path) noexcept {
    try {
        std::string p = utf8_of(path);
        if (::unlink(p.c_str()) == 0) sync_dir(dir_of(p));
    } catch (...) {  // out of memory for the name: the backup stays, which is safe
    }
}

bool private_backup_dir(bool create, std::u16string& out, std::error_code& ec) {
    out.clear();
    std::string base;
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    if (state && state[0] == '/') {
        base = state;
    } else if (home && home[0] == '/') {
        base = std::string(home) + "/.local/state";
    } else {
        return failed_with(ec, EACCES);
    }
    std::string dir = base + "/peltatxt/backups";
    if (create) {
        // Each missing level is made, readable by this user only.
        for (std::size_t at = dir.find('/', 1);; at = dir.find('/', at + 1)) {
            std::string level = dir.substr(0, at);
            struct stat st {};
            if (::stat(level.c_str(), &st) != 0 && ::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) return failed(ec);
            if (at == std::string::npos) break;
        }
    }
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return failed(ec);
    struct stat st {};
    struct statfs vfs {};
    bool ok = ::fstat(fd, &st) == 0 && ::fstatfs(fd, &vfs) == 0;
    ::close(fd);
    // The user's own, closed to others, and on a disk: a backup in memory (tmpfs, ramfs) would not
    // outlive the crash it is there for.
    constexpr long kTmpfs = 0x01021994, kRamfs = static_cast<long>(0x858458f6);
    if (!ok || st.st_uid != ::geteuid() || (st.st_mode & 077) != 0 || static_cast<long>(vfs.f_type) == kTmpfs ||
        static_cast<long>(vfs.f_type) == kRamfs)
        return failed_with(ec, EACCES);
    return utf16_of(dir + "/", out, ec);
}

bool is_backup_of(Text backup, const SaveTarget& t, bool private_place) {
    std::string p;
    struct stat st {};
    std::error_code ignored;
    if (!detail::to_utf8(backup, p, ignored) || ::lstat(p.c_str(), &st) != 0) return false;
    // A regular file with one name, of the user who saves privately, or beside the target of its
    // owner or of the administrator: no one else can have another file read in its place.
    uint32_t uid = static_cast<uint32_t>(st.st_uid);
    return S_ISREG(st.st_mode) && st.st_nlink == 1 &&
           (private_place ? uid == ::geteuid() : uid == t.owner || uid == 0);
}

bool identify(Text path, const File& file, SaveTarget& t, std::error_code& ec) {
    t = SaveTarget{};
    std::string p;
    if (!detail::to_utf8(path, p, ec)) return false;
    struct stat st {};
    if (::fstat(fd_of(file), &st) != 0) return failed(ec);
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(p.c_str(), nullptr), &std::free);
    if (!real) return failed(ec);
    std::string r = real.get();
    if (!utf16_of(r, t.path, ec) || !utf16_of(dir_of(r), t.dir, ec)) return false;
    t.exists = true;
    t.device = static_cast<uint64_t>(st.st_dev);
    t.inode = static_cast<uint64_t>(st.st_ino);
    t.size = static_cast<uint64_t>(st.st_size);
    t.owner = static_cast<uint32_t>(st.st_uid);
    t.group = static_cast<uint32_t>(st.st_gid);
    return true;
}

bool is_target(const SaveTarget& t, const File& file) {
    struct stat st {};
    return ::fstat(fd_of(file), &st) == 0 && same_file(st, t);
}

void restore_times(const SaveTarget& t, File& file) noexcept {
    timespec times[2] = {{static_cast<time_t>(t.access_s), static_cast<long>(t.access_ns)},
                         {static_cast<time_t>(t.modify_s), static_cast<long>(t.modify_ns)}};
    ::futimens(fd_of(file), times);
}

}  // namespace peltatxt::fs::save
