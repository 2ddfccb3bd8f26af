// atomic_file.cpp — the save: temporary file or in-place write, identity kept, previous content restored on any failure.
#include "atomic_file.h"

#include <cerrno>
#include <memory>

namespace peltatxt {
namespace {
constexpr std::size_t kCopyChunk = std::size_t{1} << 20;
constexpr int kRestoreAttempts = 3;
}  // namespace

bool AtomicFile::fail() noexcept {
    if (!failed_) error_ = fs::last_error() ? fs::last_error() : EIO;
    failed_ = true;
    abandon();
    return false;
}

bool AtomicFile::open(std::u16string_view target) {
    fs::set_last_error(0);
    if (!fs::save::examine(target, target_)) return fail();
    open_ = true;
    if (!target_.in_place) {
        if (fs::save::create_temp(target_, file_, temp_)) return true;
        int why = fs::last_error();
        // A directory that takes no new file: the file itself may still be writable.
        if (!target_.exists || (why != EACCES && why != EPERM)) return fail();
    }
    if (target_.size > kMaxInPlaceBytes) {
        fs::set_last_error(EFBIG);
        return fail();
    }
    buffered_ = true;
    return true;
}

bool AtomicFile::write(const char16_t* units, std::size_t count) {
    return write_bytes(units, count * sizeof(char16_t));  // units are held little-endian
}

bool AtomicFile::write_bytes(const void* bytes, std::size_t count) {
    if (failed_ || !open_) return false;
    if (count == 0) return true;
    if (buffered_) {
        pending_.append(static_cast<const char*>(bytes), count);
    } else if (!file_.write_all(bytes, count)) {
        return fail();
    } else if (written_ + count - writeback_from_ >= kWritebackBytes) {
        file_.start_writeback(writeback_from_, written_ + count - writeback_from_);
        writeback_from_ = written_ + count;
    }
    written_ += count;
    return true;
}

bool AtomicFile::commit() {
    if (failed_ || !open_) return fail();
    if (buffered_) {
        if (!write_in_place(nullptr, written_)) return fail();
        abandon();
        return true;
    }
    if (!file_.sync()) return fail();
    switch (fs::save::give_identity(target_, file_)) {
        case fs::save::Identity::failed:
            return fail();
        case fs::save::Identity::needs_in_place:
            if (target_.size > kMaxInPlaceBytes) {
                fs::set_last_error(EFBIG);
                return fail();
            }
            if (!write_in_place(&file_, written_)) return fail();
            abandon();
            return true;
        case fs::save::Identity::kept:
            break;
    }
    if (!fs::save::put_in_place(target_, file_, temp_)) return fail();
    file_.discard();
    open_ = false;
    return true;
}

// Writes the new content (from source, or from pending_) over the target itself. The previous
// content is read first; room for the new one is reserved before anything is written, and any
// failure from then on writes the previous content back and puts back the file's times.
bool AtomicFile::write_in_place(fs::File* source, uint64_t bytes) {
    fs::File f;
    if (!f.open_update(target_.path)) return false;
    if (!fs::save::is_target(target_, f)) {  // replaced since it was examined
        fs::set_last_error(EAGAIN);
        return false;
    }
    const uint64_t old_size = f.size();
    if (old_size > kMaxInPlaceBytes) {
        fs::set_last_error(EFBIG);
        return false;
    }
    std::string previous(static_cast<std::size_t>(old_size), '\0');
    if (old_size && !f.read_at(0, previous.data(), previous.size())) return false;
    if (bytes > old_size && !f.reserve(bytes)) return false;

    bool ok = true;
    if (source) {
        std::unique_ptr<char[]> chunk(new char[kCopyChunk]);
        for (uint64_t at = 0; ok && at < bytes; at += kCopyChunk) {
            std::size_t n = static_cast<std::size_t>(bytes - at < kCopyChunk ? bytes - at : kCopyChunk);
            ok = source->read_at(at, chunk.get(), n) && f.write_at(at, chunk.get(), n);
        }
    } else if (bytes) {
        ok = f.write_at(0, pending_.data(), pending_.size());
    }
    ok = ok && f.truncate(bytes) && f.sync();
    if (ok) return true;

    int cause = fs::last_error();
    for (int attempt = 0; attempt < kRestoreAttempts; ++attempt)
        if ((old_size == 0 || f.write_at(0, previous.data(), previous.size())) && f.truncate(old_size) && f.sync())
            break;
    fs::save::restore_times(target_, f);
    fs::set_last_error(cause);
    return false;
}

void AtomicFile::abandon() noexcept {
    file_.discard();
    if (!temp_.empty()) fs::remove(temp_);
    temp_.clear();
    pending_.clear();
    open_ = false;
}

}  // namespace peltatxt
