// atomic_file.cpp — temporary name, write, sync, close and replace, with cleanup on every failure path.
#include "atomic_file.h"

#include "line_pieces.h"  // little-endian units are written as they are held
#include "unicode_text.h"

namespace peltatxt {
namespace {
uint32_t temp_counter = 0;
#if defined(_WIN32)
constexpr const char16_t* kSeparators = u"\\/";
#else
constexpr const char16_t* kSeparators = u"/";
#endif
}  // namespace

bool AtomicFile::open(std::u16string_view target) {
    target_.assign(target);
    // A short name in the target's directory, so the rename stays on one file system and a long
    // target name cannot make the temporary name too long.
    std::size_t slash = target_.find_last_of(kSeparators);
    temp_ = target_.substr(0, slash == std::u16string::npos ? 0 : slash + 1);
    temp_ += u".peltatxt-";
    temp_ += decimal(static_cast<int32_t>(fs::process_id()));
    temp_ += u'-';
    temp_ += decimal(static_cast<int32_t>(++temp_counter));
    temp_ += u".tmp";
    if (!file_.create_new(temp_)) {
        temp_.clear();
        failed_ = true;
        return false;
    }
    return true;
}

bool AtomicFile::write(const char16_t* units, std::size_t count) {
    if (failed_ || !file_.is_open()) return false;
    if (count && !file_.write_all(units, count * sizeof(char16_t))) failed_ = true;
    return !failed_;
}

bool AtomicFile::commit() {
    if (failed_ || !file_.is_open()) {
        abandon();
        return false;
    }
    bool ok = file_.sync();
    ok = file_.close() && ok;
    ok = ok && fs::replace(temp_, target_);
    if (!ok) {
        failed_ = true;
        abandon();
        return false;
    }
    temp_.clear();
    return true;
}

void AtomicFile::abandon() noexcept {
    if (temp_.empty()) return;
    file_.discard();
    fs::remove(temp_);
    temp_.clear();
}

}  // namespace peltatxt
