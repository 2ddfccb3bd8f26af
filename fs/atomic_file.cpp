// atomic_file.cpp — the save: temporary file or in-place write behind a backup, in turns, identity kept, previous content restored on any failure.
#include "atomic_file.h"

#include <cerrno>
#include <memory>

#include "cause.h"

namespace peltatxt::fs {
namespace {
constexpr std::size_t kCopyChunk = std::size_t{1} << 20;
constexpr int kRestoreAttempts = 3;

using detail::failed_with;

// Takes the cause of file's failed operation into ec and returns false.
bool failed_in(const File& file, std::error_code& ec) noexcept {
    ec = file.error();
    return false;
}

// Copies bytes from the start of from to the start of to (append: to's end, for a new file).
bool copy(File& from, File& to, uint64_t bytes, bool append, std::error_code& ec) {
    std::unique_ptr<char[]> chunk(new char[kCopyChunk]);
    for (uint64_t at = 0; at < bytes; at += kCopyChunk) {
        std::size_t n = static_cast<std::size_t>(bytes - at < kCopyChunk ? bytes - at : kCopyChunk);
        if (!from.read_at(at, chunk.get(), n)) return failed_in(from, ec);
        if (!(append ? to.write_all(chunk.get(), n) : to.write_at(at, chunk.get(), n))) return failed_in(to, ec);
    }
    return true;
}

}  // namespace

// Keeps the cause of the first failure (EIO for none) and gives the save up.
bool AtomicFile::fail(std::error_code cause) noexcept {
    if (!failed_) error_ = cause ? cause : detail::cause_of(EIO);
    failed_ = true;
    abandon();
    return false;
}

// True when a file of bytes stays within the file-size limit; false (EFBIG) otherwise.
bool AtomicFile::fits(uint64_t bytes, std::error_code& ec) const noexcept {
    return bytes <= size_limit_ || failed_with(ec, EFBIG);
}

// Examines the target and, when it exists, takes its turn lock. The target is examined again
// once the lock is held: a save that held it before may have put another file in its place. An
// examination that saw the file replaced while it looked (EAGAIN: another save's rename) is
// tried again like a turn lost to that save.
bool AtomicFile::take_turn(std::u16string_view target, std::error_code& ec) {
    constexpr int kAttempts = 8;
    auto examine = [&](SaveTarget& t, int attempt) {
        if (save::examine(target, t, ec)) return true;
        if (ec == std::errc::resource_unavailable_try_again && attempt + 1 < kAttempts) ec.clear();
        return false;
    };
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (!examine(target_, attempt)) {
            if (ec) return false;
            continue;
        }
        turn_.discard();
        // Without a file there is nothing to lock yet; without locks, or a file that cannot be
        // opened for them, the save goes on as before and its later steps find any trouble.
        if (!target_.exists || !turn_.open_to_lock(target_.path)) return true;
        switch (turn_.lock(File::Lock::turn, true, kLockWaitMs)) {
            case File::Locked::busy:
                return failed_with(ec, EBUSY);
            case File::Locked::unsupported:
                return true;
            case File::Locked::held:
                break;
        }
        SaveTarget now;
        if (!examine(now, attempt)) {
            if (ec) return false;
            continue;
        }
        if (now.exists && save::is_target(now, turn_)) {
            target_ = std::move(now);
            return true;
        }
    }
    return failed_with(ec, EAGAIN);
}

bool AtomicFile::open(std::u16string_view target) {
    std::error_code ec;
    size_limit_ = file_size_limit();
    if (!take_turn(target, ec)) return fail(ec);
    open_ = true;
    if (!target_.in_place) {
        if (save::create_temp(target_, file_, temp_, ec)) return true;
        // A directory that takes no new file: the file itself may still be writable.
        if (!target_.exists || (ec.value() != EACCES && ec.value() != EPERM)) return fail(ec);
        private_backup_ = true;
    }
    // A save in place needs a place for its backup, and room for it under the size limit, before
    // anything is written.
    std::u16string dir;
    if (private_backup_ && !save::private_backup_dir(true, dir, ec)) return fail(detail::cause_of(EACCES));
    if (!fits(target_.size, ec)) return fail(ec);
    buffered_ = true;
    return true;
}

bool AtomicFile::write(const char16_t* units, std::size_t count) {
    return write_bytes(units, count * sizeof(char16_t));  // units are held little-endian
}

bool AtomicFile::write_bytes(const void* bytes, std::size_t count) {
    if (failed_ || !open_) return false;
    if (count == 0) return true;
    if (std::error_code ec; !fits(written_ + count, ec) || (buffered_ && written_ + count > kMaxInPlaceBytes))
        return fail(detail::cause_of(EFBIG));
    if (buffered_) {
        pending_.append(static_cast<const char*>(bytes), count);
    } else if (!file_.write_all(bytes, count)) {
        return fail(file_.error());
    } else if (written_ + count - writeback_from_ >= kWritebackBytes) {
        file_.start_writeback(writeback_from_, written_ + count - writeback_from_);
        writeback_from_ = written_ + count;
    }
    written_ += count;
    return true;
}

bool AtomicFile::commit() {
    if (failed_ || !open_) return fail({});
    std::error_code ec;
    if (buffered_) {
        if (!write_in_place(nullptr, written_, ec)) return fail(ec);
        abandon();
        return true;
    }
    if (!file_.sync()) return fail(file_.error());
    switch (save::give_identity(target_, file_, ec)) {
        case save::Identity::failed:
            return fail(ec);
        case save::Identity::needs_in_place:
            if (!write_in_place(&file_, written_, ec)) return fail(ec);
            abandon();
            return true;
        case save::Identity::kept:
            break;
    }
    // Once the new content is complete and in place, a backup that an earlier save in place left
    // is no longer the last complete content. Found first: nothing may fail once it is in place.
    std::u16string leftover;
    const bool has_leftover = target_.exists && save::leftover_backup(target_, leftover);
    if (!save::put_in_place(target_, file_, temp_, ec)) return fail(ec);
    file_.discard();
    if (has_leftover) save::remove_synced(leftover);
    abandon();
    return true;
}

// Copies the target's bytes into a new backup, complete and synced before it takes its name.
bool AtomicFile::make_backup(File& target, uint64_t bytes, std::u16string& backup, std::error_code& ec) {
    SaveTarget place = target_;
    File temp;
    std::u16string name;
    bool made = false;
    if (!private_backup_) {
        std::error_code why;
        made = save::create_temp(place, temp, name, why);
        if (!made && why.value() != EACCES && why.value() != EPERM) return failed_with(ec, why.value());
        private_backup_ = !made;
    }
    if (private_backup_) {
        if (!save::private_backup_dir(true, place.dir, ec)) return false;
        if (!save::create_temp(place, temp, name, ec)) return false;
    }
    backup = private_backup_ ? save::backup_in(place.dir, target_) : save::backup_beside(target_);
    if (copy(target, temp, bytes, true, ec) && (temp.sync() || failed_in(temp, ec)) &&
        save::publish(temp, name, backup, ec))
        return true;
    temp.discard();
    if (!name.empty()) remove(name);
    return false;
}

// Writes the new content (from source, or from pending_) over the target itself, after its
// previous content is safe in a backup; any failure writes the previous content back from there
// and puts back the file's times.
bool AtomicFile::write_in_place(File* source, uint64_t bytes, std::error_code& ec) {
    File f;
    if (!f.open_update(target_.path)) return failed_in(f, ec);
    if (!save::is_target(target_, f)) return failed_with(ec, EAGAIN);  // replaced since it was examined
    if (f.lock(File::Lock::content, true, kLockWaitMs) == File::Locked::busy)
        return failed_with(ec, EBUSY);  // an import still reads it
    const uint64_t old_size = f.size();
    if (!fits(old_size, ec) || !fits(bytes, ec)) return false;  // the backup and the new content
    // A backup that an earlier save left stands for the last complete content (the target may be
    // torn): it is kept, and removed only once this save's content is complete and synced.
    std::u16string backup;
    const bool leftover = save::leftover_backup(target_, backup);
    if (!leftover && !make_backup(f, old_size, backup, ec)) return false;
    if (bytes > old_size && !f.reserve(bytes)) {
        if (!leftover) save::remove_synced(backup);
        return failed_in(f, ec);
    }

    bool ok = source ? copy(*source, f, bytes, false, ec)
                     : bytes == 0 || f.write_at(0, pending_.data(), pending_.size()) || failed_in(f, ec);
    ok = ok && ((f.truncate(bytes) && f.sync()) || failed_in(f, ec));
    if (ok) {
        save::remove_synced(backup);
        return true;
    }

    // The cause stays the write's: what fails while restoring is not reported.
    bool restored = false;
    for (int attempt = 0; attempt < kRestoreAttempts && !restored; ++attempt) {
        File previous;
        uint64_t size = 0;
        std::error_code ignored;
        restored = previous.open_read(backup) && (size = previous.size(), copy(previous, f, size, false, ignored)) &&
                   f.truncate(size) && f.sync();
    }
    save::restore_times(target_, f);
    // Restored, the target is complete again; otherwise the backup stays, and imports read it.
    if (restored && !leftover) save::remove_synced(backup);
    return false;
}

void AtomicFile::abandon() noexcept {
    file_.discard();
    turn_.discard();
    if (!temp_.empty()) remove(temp_);
    temp_.clear();
    pending_.clear();
    open_ = false;
}

}  // namespace peltatxt::fs
