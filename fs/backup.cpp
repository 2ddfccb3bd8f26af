// backup.cpp — the backup a save in place keeps until its new content is safe: its names, a leftover one, what imports open.
#include <cerrno>
#include <chrono>
#include <thread>

#include "file_system.h"
#include "save_target.h"

namespace peltatxt::fs {
namespace save {
namespace {

constexpr std::u16string_view kBackupSuffix = u".peltatxt-backup";
constexpr std::size_t kNameUnits = 64;  // of the target's name in the backup's: short enough for any file system

void append_hex(std::u16string& out, uint64_t value) {
    char16_t digits[16];
    int n = 0;
    do digits[n++] = u"0123456789abcdef"[value & 15];
    while ((value >>= 4) != 0);
    while (n > 0) out.push_back(digits[--n]);
}

}  // namespace

std::u16string backup_beside(const SaveTarget& t) {
    std::u16string_view name = t.path;
    name.remove_prefix(t.dir.size() <= name.size() ? t.dir.size() : name.size());
    if (name.size() > kNameUnits) {
        name = name.substr(0, kNameUnits);
        if (name.back() >= 0xD800 && name.back() <= 0xDBFF) name.remove_suffix(1);  // no half of a pair
    }
    std::u16string out = t.dir;
    out += u'.';
    out += name;
    out += u'.';
    append_hex(out, t.inode);
    out += kBackupSuffix;
    return out;
}

std::u16string backup_in(const std::u16string& dir, const SaveTarget& t) {
    std::u16string out = dir;
    append_hex(out, t.device);
    out += u'-';
    append_hex(out, t.inode);
    out += kBackupSuffix;
    return out;
}

bool leftover_backup(const SaveTarget& t, std::u16string& path) {
    path = backup_beside(t);
    if (is_backup_of(path, t, false)) return true;
    std::u16string dir;
    if (std::error_code none; private_backup_dir(false, dir, none)) {
        path = backup_in(dir, t);
        if (is_backup_of(path, t, true)) return true;
    }
    path.clear();
    return false;
}

}  // namespace save

bool open_for_import(Text path, File& file, std::error_code& ec) {
    std::error_code ignored;
    if (!file.open_read(path)) {
        // Held to itself by a save in place (Windows): its backup is complete.
        SaveTarget t;
        std::u16string backup;
        const std::error_code cause = file.error();
        if (cause.value() == EBUSY && save::identify(path, file, t, ignored) && save::leftover_backup(t, backup) &&
            file.open_read(backup))
            return true;
        ec = cause;
        return false;
    }
    constexpr int kStepMs = 5;
    for (int waited = 0;; waited += kStepMs) {
        File::Locked lock = file.lock(File::Lock::content, false, 0);
        SaveTarget t;
        std::u16string backup;
        if (save::identify(path, file, t, ignored) && save::leftover_backup(t, backup)) {
            // A save in place is under way, or was cut short: the target may be incomplete, the
            // backup is not. Read the backup (an open file reads on when the save removes it).
            File previous;
            if (previous.open_read(backup)) {
                file.swap(previous);
                return true;
            }
        }
        // Held (or no locks here): no save writes the target in place until the import is done.
        // Busy without a backup: such a save is just removing its backup, its target complete.
        if (lock != File::Locked::busy || waited >= kLockWaitMs) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(kStepMs));
    }
}

}  // namespace peltatxt::fs
