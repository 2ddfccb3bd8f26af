// atomic_file.h — AtomicFile: a save that replaces its target only when complete and keeps what the target is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "file_system.h"
#include "save_target.h"

namespace peltatxt {

// Saves a file so that a failure at any point leaves the previous file as it was, byte for byte,
// with its mode, owner, links and attributes.
//
// open() examines the target (save::examine) and refuses what must not be written: no regular
// file, a file the process may not write, one nobody may write. A link is followed, and the file
// it names is saved. Writes then go to a private temporary file in the target's directory;
// commit() syncs it, gives it the target's owner, group, extended attributes and mode, and puts
// it in the target's place in one step. Where that would change what the file is (it has other
// names, or the process cannot give the new file the owner or an attribute) or the directory
// takes no new file, commit() writes the target itself instead: the previous content is kept in
// memory (up to kMaxInPlaceBytes), and any failure while writing puts it back. Until commit()
// succeeds the target is untouched, and an uncommitted or failed temporary file is removed.
class AtomicFile {
public:
    // Every this many bytes written, the temporary file's new bytes are sent on to the device while
    // the rest is produced, so that the sync in commit() waits for little more than the last part.
    static constexpr uint64_t kWritebackBytes = uint64_t{4} << 20;
    // The largest previous file that can be saved by writing it in place.
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
    // The errno value that says why the save failed (0 while it has not).
    int error() const noexcept { return error_; }

private:
    bool fail() noexcept;
    bool write_in_place(fs::File* source, uint64_t bytes);
    void abandon() noexcept;

    fs::SaveTarget target_;
    fs::File file_;          // the temporary file
    std::u16string temp_;    // its name, when it has one
    std::string pending_;    // the new content, when there is no temporary file
    bool buffered_ = false;  // writes go to pending_
    bool open_ = false;
    uint64_t written_ = 0;
    uint64_t writeback_from_ = 0;  // the first byte of the temporary file not yet sent to the device
    bool failed_ = false;
    int error_ = 0;
};

}  // namespace peltatxt
