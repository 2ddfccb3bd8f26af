// atomic_file.cpp — the save: temporary file or in-place write behind a backup, in turns, identity kept, previous content restored on any failure.
#include "atomic_file.h"

#include <cerrno>
#include <memory>

namespace peltatxt::fs {
namespace {
constexpr std::size_t kCopyChunk = std::size_t{1} << 20;
constexpr int kRestoreAttempts = 3;
}  // namespace

bool AtomicFile::fail() noexcept {
    if (!failed_) error_ = last_error() ? last_error() : EIO;
    failed_ = true;
    abandon();
    return false;
}

// True when a file of bytes stays within the file-size limit; false (EFBIG) otherwise.
bool AtomicFile::fits(uint64_t bytes) const noexcept {
    if (bytes <= size_limit_) return true;
    set_last_error(EFBIG);
    return false;
}

bool AtomicFile::fail_with(int error) noexcept {
    set_last_error(error);
    return fail();
}

// Examines the target and, when it exists, takes its turn lock. The target is examined again
// once the lock is held: a save that held it before may have put another file in its place.
bool AtomicFile::take_turn(std::u16string_view target) {
    constexpr int kAttempts = 8;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (!save::examine(target, target_)) return false;
        turn_.discard();
        // Without a file there is nothing to lock yet; without locks, or a file that cannot be
        // opened for them, the save goes on as before and its later steps find any trouble.
        if (!target_.exists) return true;
        if (!turn_.open_to_lock(target_.path)) {
            set_last_error(0);
            return true;
        }
        switch (turn_.lock(File::Lock::turn, true, kLockWaitMs)) {
            case File::Locked::busy:
                set_last_error(EBUSY);
                return false;
            case File::Locked::unsupported:
                return true;
            case File::Locked::held:
                break;
        }
        SaveTarget now;
        if (!save::examine(target, now)) return false;
        if (now.exists && save::is_target(now, turn_)) {
            target_ = std::move(now);
            return true;
        }
    }
    set_last_error(EAGAIN);
    return false;
}

bool AtomicFile::open(std::u16string_view target) {
    set_last_error(0);
    size_limit_ = file_size_limit();
    if (!take_turn(target)) return fail();
    open_ = true;
    if (!target_.in_place) {
        if (save::create_temp(target_, file_, temp_)) return true;
        int why = last_error();
        // A directory that takes no new file: the file itself may still be writable.
        if (!target_.exists || (why != EACCES && why != EPERM)) return fail();
        private_backup_ = true;
    }
    // A save in place needs a place for its backup, and room for it under the size limit, before
    // anything is written.
    std::u16string dir;
    if (private_backup_ && !save::private_backup_dir(true, dir)) return fail_with(EACCES);
    if (!fits(target_.size)) return fail();
    buffered_ = true;
    return true;
}

bool AtomicFile::write(const char16_t* units, std::size_t count) {
    return write_bytes(units, count * sizeof(char16_t));  // units are held little-endian
}

bool AtomicFile::write_bytes(const void* bytes, std::size_t count) {
    if (failed_ || !open_) return false;
    if (count == 0) return true;
    if (!fits(written_ + count) || (buffered_ && written_ + count > kMaxInPlaceBytes)) return fail_with(EFBIG);
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
    switch (save::give_identity(target_, file_)) {
        case save::Identity::failed:
            return fail();
        case save::Identity::needs_in_place:
            if (!write_in_place(&file_, written_)) return fail();
            abandon();
            return true;
        case save::Identity::kept:
            break;
    }
    // Once the new content is complete and in place, a backup that an earlier save in place left
    // is no longer the last complete content. Found first: nothing may fail once it is in place.
    std::u16string leftover;
    const bool has_leftover = target_.exists && save::leftover_backup(target_, leftover);
    if (!save::put_in_place(target_, file_, temp_)) return fail();
    file_.discard();
    if (has_leftover) save::remove_synced(leftover);
    abandon();
    return true;
}

// Copies bytes from the start of from to the start of to (append: to's end, for a new file).
bool AtomicFile::copy(File& from, File& to, uint64_t bytes, bool append) {
    std::unique_ptr<char[]> chunk(new char[kCopyChunk]);
    for (uint64_t at = 0; at < bytes; at += kCopyChunk) {
        std::size_t n = static_cast<std::size_t>(bytes - at < kCopyChunk ? bytes - at : kCopyChunk);
        if (!from.read_at(at, chunk.get(), n)) return false;
        if (!(append ? to.write_all(chunk.get(), n) : to.write_at(at, chunk.get(), n))) return false;
    }
    return true;
}

// Copies the target's bytes into a new backup, complete and synced before it takes its name.
bool AtomicFile::make_backup(File& target, uint64_t bytes, std::u16string& backup) {
    SaveTarget place = target_;
    File temp;
    std::u16string name;
    bool made = false;
    if (!private_backup_) {
        made = save::create_temp(place, temp, name);
        int why = last_error();
        if (!made && why != EACCES && why != EPERM) return false;
        private_backup_ = !made;
    }
    if (private_backup_) {
        if (!save::private_backup_dir(true, place.dir)) return false;
        if (!save::create_temp(place, temp, name)) return false;
    }
    backup = private_backup_ ? save::backup_in(place.dir, target_) : save::backup_beside(target_);
    if (copy(target, temp, bytes, true) && temp.sync() && save::publish(temp, name, backup)) return true;
    temp.discard();
    if (!name.empty()) remove(name);
    return false;
}

// Writes the new content (from source, or from pending_) over the target itself, after its
// previous content is safe in a backup; any failure writes the previous content back from there
// and puts back the file's times.
bool AtomicFile::write_in_place(File* source, uint64_t bytes) {
    File f;
    if (!f.open_update(target_.path)) return false;
    if (!save::is_target(target_, f)) {  // replaced since it was examined
        set_last_error(EAGAIN);
        return false;
    }
    if (f.lock(File::Lock::content, true, kLockWaitMs) == File::Locked::busy) {
        set_last_error(EBUSY);  // an import still reads it
        return false;
    }
    const uint64_t old_size = f.size();
    if (!fits(old_size) || !fits(bytes)) return false;  // the backup and the new content
    // A backup that an earlier save left stands for the last complete content (the target may be
    // torn): it is kept, and removed only once this save's content is complete and synced.
    std::u16string backup;
    const bool leftover = save::leftover_backup(target_, backup);
    if (!leftover && !make_backup(f, old_size, backup)) return false;
    if (bytes > old_size && !f.reserve(bytes)) {
        if (!leftover) save::remove_synced(backup);
        return false;
    }

    bool ok = source ? copy(*source, f, bytes, false) : bytes == 0 || f.write_at(0, pending_.data(), pending_.size());
    ok = ok && f.truncate(bytes) && f.sync();
    if (ok) {
        save::remove_synced(backup);
        return true;
    }

    int cause = last_error();
    bool restored = false;
    for (int attempt = 0; attempt < kRestoreAttempts && !restored; ++attempt) {
        File previous;
        uint64_t size = 0;
        restored = previous.open_read(backup) && (size = previous.size(), copy(previous, f, size, false)) &&
                   f.truncate(size) && f.sync();
    }
    save::restore_times(target_, f);
    // Restored, the target is complete again; otherwise the backup stays, and imports read it.
    if (restored && !leftover) save::remove_synced(backup);
    set_last_error(cause);
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
