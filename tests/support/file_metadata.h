// file_metadata.h — the one snapshot of what a save must keep of a file besides its content: mode, owner, inode and links, extended attributes (Windows: attributes, creation time, links).
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>

#if !defined(_WIN32)
#include <sys/types.h>
#endif

namespace peltatxt::testing {

struct FileMetadata {
#if defined(_WIN32)
    uint32_t attributes = 0;
    uint64_t created = 0;  // only where the file system keeps a creation time that was set
    uint32_t links = 0;
#else
    bool exists = false;
    mode_t mode = 0;  // type and permission bits
    uid_t uid = 0;
    gid_t gid = 0;
    ino_t ino = 0;
    nlink_t links = 0;
    std::string link;     // what a symbolic link names (of the entry itself only)
    std::string content;  // of a regular file, when asked for
    std::map<std::string, std::string> xattrs;
#endif
    friend bool operator==(const FileMetadata&, const FileMetadata&) = default;
};

struct MetadataOf {
    bool follow_links = true;  // the file a symbolic link names, or else the entry itself
    bool content = false;      // also the content of a regular file
};

// A missing file gives the empty snapshot.
FileMetadata metadata_of(const std::filesystem::path& p, MetadataOf what = {});

std::string describe(const FileMetadata& m);
inline void PrintTo(const FileMetadata& m, std::ostream* os) { *os << describe(m); }

}  // namespace peltatxt::testing
