// file_causes.cpp — the reasons the tool gives for a file it could not open or save.
#if !defined(_WIN32) && !defined(_FILE_OFFSET_BITS)
#define _FILE_OFFSET_BITS 64  // 64-bit sizes and inode numbers in 32-bit builds too
#endif
#include "file_causes.h"

#include <cerrno>
#include <system_error>

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

#include "file_names.h"
#include "plugin_host.h"
#include "fs/save_target.h"

namespace peltatxt::cli {
namespace {
namespace fsys = std::filesystem;

bool is_there(const fsys::file_status& st) {
    return st.type() != fsys::file_type::not_found && st.type() != fsys::file_type::none;
}

bool has_no_write_bit(const fsys::file_status& st) {
    using fsys::perms;
    return (st.permissions() & (perms::owner_write | perms::group_write | perms::others_write)) == perms::none;
}

// The directory of the file at path (links resolved), and whether this process may create a
// file in it and write the file itself.
struct Access {
    std::string dir;
    bool dir_takes_files = true, file_writable = true;
};
Access access_of([[maybe_unused]] const std::string& path) {
    Access a;
#if !defined(_WIN32)
    std::error_code ec;
    fsys::path real = fsys::weakly_canonical(native_path(path), ec);
    fsys::path dir = (ec ? native_path(path) : real).parent_path();
    a.dir = dir.empty() ? "." : utf8_path(dir);
    a.dir_takes_files = ::faccessat(AT_FDCWD, a.dir.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
    a.file_writable = ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
#endif
    return a;
}

}  // namespace

std::string reason_of(int error) {
    std::string s = std::generic_category().message(error ? error : EIO);
    if (s.size() > 1 && s[0] >= 'A' && s[0] <= 'Z' && !(s[1] >= 'A' && s[1] <= 'Z')) s[0] = static_cast<char>(s[0] - 'A' + 'a');
    return s;
}

std::string kind_of(fsys::file_type type) {
    switch (type) {
        case fsys::file_type::fifo: return "a FIFO (named pipe)";
        case fsys::file_type::block:
        case fsys::file_type::character: return "a device";
        case fsys::file_type::socket: return "a socket";
        case fsys::file_type::regular:
        case fsys::file_type::directory:
        case fsys::file_type::not_found:
        case fsys::file_type::none: return "";
        default: return "not a regular file";
    }
}

// The reason for a failed save at path, from the cause the save reported.
std::string why_not_saved(const std::string& path, int error) {
    std::error_code ec;
    fsys::file_status st = fsys::status(native_path(path), ec);
    switch (error) {
        case EISDIR: return "is a directory";
        case ENXIO: {
            std::string kind = kind_of(st.type());
            return "is " + (kind.empty() ? std::string("not a regular file") : kind + ", not a regular file");
        }
        case ENOENT: return "no such directory";
        case EPERM: return is_there(st) ? "is immutable or append-only" : reason_of(error);
        case EBUSY: return "another save of this file is in progress";
        case EFBIG: return "file too large (past the file-size limit of this process, ulimit -f)";
        case EACCES: {
            if (is_there(st) && has_no_write_bit(st)) return "is read-only";
            Access a = access_of(path);
            if (!a.dir_takes_files && !is_there(st)) return "cannot create a file in " + a.dir + ": " + reason_of(error);
            if (!a.dir_takes_files && a.file_writable)
                return "its directory takes no new file, and there is no private backup directory on a disk "
                       "($XDG_STATE_HOME or ~/.local/state) for the backup a save in place needs";
            return reason_of(error);
        }
        default: return reason_of(error);
    }
}

std::string why_not_writable(const std::string& path) {
    fs::save::Refusal r = fs::save::why_refused(utf16_path(path));
    std::string dir = host::utf8_replacing(r.dir);
    if (r.error == 0) return "the plug-in could not write the file";
    if (r.out_of_inodes) return "no free inodes left on the device";
    if (r.no_creation) return "cannot create a file in " + dir + ": " + reason_of(r.error);
    if (r.error == ENOTDIR) return "no such directory (" + dir + " is not a directory)";
    return why_not_saved(path, r.error);
}

}  // namespace peltatxt::cli
