// atomic_file.cpp — temporary name, write, sync, close and replace, with cleanup on every failure path.
#include "atomic_file.h"

#include "line_pieces.h"  // little-endian units are written as they are held
#include "unicode_text.h"

namespace peltatxt {
namespace {
uint32_t temp_counter = 0;
}

bool AtomicFile::open(std::u16string_view target) {
    target_.assign(target);
    temp_ = target_;
    temp_ += u'.';
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
