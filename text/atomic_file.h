// atomic_file.h — AtomicFile: a new file written beside its target and put in place only when complete.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "file_system.h"

namespace peltatxt {

// Writes go to a temporary file in the target's directory. commit() syncs and closes it and then
// replaces the target in one rename. Until then, and on any failure, the target is untouched;
// an uncommitted or failed temporary file is removed.
class AtomicFile {
public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile() { abandon(); }

    bool open(std::u16string_view target);
    bool write(const char16_t* units, std::size_t count);  // as UTF-16LE bytes
    bool commit();
    bool failed() const noexcept { return failed_; }

private:
    void abandon() noexcept;

    fs::File file_;
    std::u16string target_;
    std::u16string temp_;
    bool failed_ = false;
};

}  // namespace peltatxt
