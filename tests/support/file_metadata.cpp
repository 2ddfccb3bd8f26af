// file_metadata.cpp — a file's metadata read with stat and the extended attribute calls (Windows: GetFileInformationByHandle).
#include "support/file_metadata.h"

#include <cstdio>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/xattr.h>
#endif

#include "support/files.h"
#include "support/temp_dir.h"

namespace peltatxt::testing {
namespace fsys = std::filesystem;

#if defined(_WIN32)
namespace {

// Whether the file system keeps a creation time that was set (Wine reports one that follows the
// last change instead); only then is it compared.
bool creation_time_kept() {
    static const bool kept = [] {
        TempDir dir;
        write_bytes(dir / "probe", "x");
        HANDLE h = CreateFileW((dir / "probe").c_str(), FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        FILETIME set{0xD53E8000u, 0x01BF53EBu}, got{};  // 2000-01-01
        bool same = h != INVALID_HANDLE_VALUE && SetFileTime(h, &set, nullptr, nullptr) &&
                    GetFileTime(h, &got, nullptr, nullptr) && got.dwLowDateTime == set.dwLowDateTime &&
                    got.dwHighDateTime == set.dwHighDateTime;
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        return same;
    }();
    return kept;
}

}  // namespace

FileMetadata metadata_of(const fsys::path& p, MetadataOf what) {
    FileMetadata m;
    HANDLE h = CreateFileW(p.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, what.follow_links ? 0 : FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    if (h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info)) {
        m.attributes = info.dwFileAttributes;
        if (creation_time_kept())
            m.created = (uint64_t{info.ftCreationTime.dwHighDateTime} << 32) | info.ftCreationTime.dwLowDateTime;
        m.links = info.nNumberOfLinks;
    }
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return m;
}

std::string describe(const FileMetadata& m) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "{attributes %lu created %llu links %lu}", static_cast<unsigned long>(m.attributes),
                  static_cast<unsigned long long>(m.created), static_cast<unsigned long>(m.links));
    return buf;
}

#else

namespace {

std::map<std::string, std::string> xattrs_of(const fsys::path& p, bool follow_links) {
    std::map<std::string, std::string> out;
    char names[4096];
    ssize_t n = follow_links ? ::listxattr(p.c_str(), names, sizeof names) : ::llistxattr(p.c_str(), names, sizeof names);
    for (ssize_t i = 0; i < n; i += static_cast<ssize_t>(std::strlen(names + i)) + 1) {
        char value[4096];
        ssize_t v = follow_links ? ::getxattr(p.c_str(), names + i, value, sizeof value)
                                 : ::lgetxattr(p.c_str(), names + i, value, sizeof value);
        out[names + i] = v >= 0 ? std::string(value, static_cast<std::size_t>(v)) : "?";
    }
    return out;
}

}  // namespace

FileMetadata metadata_of(const fsys::path& p, MetadataOf what) {
    FileMetadata m;
    struct stat st {};
    if ((what.follow_links ? ::stat(p.c_str(), &st) : ::lstat(p.c_str(), &st)) == 0) {
        m.exists = true;
        m.mode = st.st_mode;
        m.uid = st.st_uid;
        m.gid = st.st_gid;
        m.ino = st.st_ino;
        m.links = st.st_nlink;
        if (S_ISLNK(st.st_mode)) m.link = fsys::read_symlink(p).string();
        if (what.content && S_ISREG(st.st_mode)) m.content = read_bytes(p);
    } else if (!what.follow_links) {
        return m;
    }
    // A symbolic link's own attributes are not compared (most file systems refuse them).
    if (!S_ISLNK(m.mode)) m.xattrs = xattrs_of(p, what.follow_links);
    return m;
}

std::string describe(const FileMetadata& m) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "{exists %d mode %o uid %u gid %u ino %lu links %lu xattrs %zu, %zu bytes}",
                  m.exists, static_cast<unsigned>(m.mode), m.uid, m.gid, static_cast<unsigned long>(m.ino),
                  static_cast<unsigned long>(m.links), m.xattrs.size(), m.content.size());
    return buf;
}

#endif

}  // namespace peltatxt::testing
