// save_win32.cpp — a save's Windows steps: links resolved, read-only refused, ReplaceFileW to keep ACL, attributes, streams and creation time.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cerrno>
#include <string>

#include "cause.h"
#include "file_fault.h"
#include "save_target.h"
#include "temp_name.h"

namespace peltatxt::fs::save {
namespace {

constexpr int kNameAttempts = 100;
using detail::kShareRetries;
using detail::kShareWaitMs;

using detail::errno_of;
using detail::failed;
using detail::failed_with;

bool busy(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }

HANDLE handle_of(const File& f) { return reinterpret_cast<HANDLE>(f.native()); }

std::wstring wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }
std::u16string narrow(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

std::wstring dir_of(const std::wstring& p) {
    std::size_t slash = p.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : p.substr(0, slash + 1);
}

uint64_t ticks_of(const FILETIME& t) { return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }
FILETIME filetime_of(int64_t ticks) {
    return FILETIME{static_cast<DWORD>(static_cast<uint64_t>(ticks)), static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32)};
}

// A temporary file's path in dir (see temp_name.h).
std::wstring temp_name(const std::wstring& dir) {
    std::string tail = temp_name::make(GetCurrentProcessId());
    return dir + std::wstring(tail.begin(), tail.end());
}

// Removes temporary files of this library whose process is gone.
void sweep(const std::wstring& dir) {
    WIN32_FIND_DATAW found;
    const std::string pattern = temp_name::search_pattern();
    HANDLE search = FindFirstFileW((dir + std::wstring(pattern.begin(), pattern.end())).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        std::string name;
        for (const wchar_t* c = found.cFileName; *c; ++c) name.push_back(*c < 0x80 ? static_cast<char>(*c) : '?');
        unsigned long pid = temp_name::owner_of(name).pid;
        if (pid == 0 || pid == GetCurrentProcessId()) continue;
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        if (process) {
            bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
            CloseHandle(process);
            if (running) continue;
        } else if (GetLastError() != ERROR_INVALID_PARAMETER) {
            continue;  // it runs, but belongs to someone else
        }
        DeleteFileW((dir + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// ReplaceFileW carries the attributes and the creation time over; where it does not (Wine does
// neither), they are put back here. Best effort: the new content is in place already.
void keep_attributes_and_creation(const SaveTarget& t, const std::wstring& path) {
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(h, &info)) {
        if (static_cast<int64_t>(ticks_of(info.ftCreationTime)) != t.created && t.created != 0) {
            FILETIME created = filetime_of(t.created);
            SetFileTime(h, &created, nullptr, nullptr);
        }
        DWORD want = (info.dwFileAttributes & ~kKept) | (t.attributes & kKept);
        if (want != info.dwFileAttributes) SetFileAttributesW(path.c_str(), want == 0 ? FILE_ATTRIBUTE_NORMAL : want);
    }
    CloseHandle(h);
}

// The path, directory, volume, file index and size of an existing file, as examine and identify
// give them.
void set_identity(SaveTarget& t, const std::wstring& full, const BY_HANDLE_FILE_INFORMATION& info) {
    t.exists = true;
    t.path = narrow(full);
    t.dir = narrow(dir_of(full));
    t.device = info.dwVolumeSerialNumber;
    t.inode = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    t.size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
}

}  // namespace

bool examine(Text path, SaveTarget& t, std::error_code& ec) {
    t = SaveTarget{};
    std::wstring p, full;
    if (!detail::to_wide(path, p, ec)) return false;
    DWORD n = GetFullPathNameW(p.c_str(), 0, nullptr, nullptr);
    if (n == 0) return failed(ec);
    full.assign(n, L'\0');
    n = GetFullPathNameW(p.c_str(), n, full.data(), nullptr);
    if (n == 0 || n >= full.size()) return failed(ec);
    full.resize(n);
    DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) return failed(ec);
        t.path = narrow(full);
        t.dir = narrow(dir_of(full));
        return true;  // a new file
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link stays a link: the save goes to the file it names.
        HANDLE h = CreateFileW(full.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return failed(ec);
        std::wstring target(32768, L'\0');
        DWORD m = GetFinalPathNameByHandleW(h, target.data(), static_cast<DWORD>(target.size()),
                                            FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (m == 0) failed(ec);
        CloseHandle(h);
        if (m == 0 || m >= target.size()) return m == 0 ? false : failed_with(ec, ENAMETOOLONG);
        target.resize(m);
        full = target;
        attributes = GetFileAttributesW(full.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return failed(ec);
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return failed_with(ec, EISDIR);
    if (attributes & FILE_ATTRIBUTE_DEVICE) return failed_with(ec, ENXIO);
    if (attributes & FILE_ATTRIBUTE_READONLY) return failed_with(ec, EACCES);
    // Opening it for writing asks its ACL; nothing is written.
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0;; ++attempt) {
        h = CreateFileW(full.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || attempt == kShareRetries || !busy(GetLastError())) break;
        Sleep(kShareWaitMs);
    }
    if (h == INVALID_HANDLE_VALUE) return failed(ec);
    BY_HANDLE_FILE_INFORMATION info{};
    bool disk = GetFileType(h) == FILE_TYPE_DISK;
    bool ok = disk && GetFileInformationByHandle(h, &info);
    if (!ok) failed(ec);
    CloseHandle(h);
    if (!disk) return failed_with(ec, ENXIO);
    if (!ok) return false;
    set_identity(t, full, info);
    t.access_s = static_cast<int64_t>(ticks_of(info.ftLastAccessTime));
    t.modify_s = static_cast<int64_t>(ticks_of(info.ftLastWriteTime));
    t.attributes = info.dwFileAttributes;
    t.created = static_cast<int64_t>(ticks_of(info.ftCreationTime));
    t.in_place = info.nNumberOfLinks > 1;
    return true;
}

Refusal why_refused(Text path) {
    Refusal r;
    SaveTarget t;
    if (std::error_code ec; !examine(path, t, ec)) {
        r.error = ec.value();
        return r;
    }
    DWORD attributes = GetFileAttributesW(wide(t.dir).c_str());
    r.dir = t.dir;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        r.error = ENOENT;
    } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        r.error = ENOTDIR;
    } else {
        r.dir.clear();
    }
    return r;
}

bool create_temp(const SaveTarget& t, File& temp, std::u16string& name, std::error_code& ec) {
    name.clear();
    if (detail::operation_fails(ec)) return false;
    std::wstring dir = wide(t.dir);
    sweep(dir);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::wstring p = temp_name(dir);
        std::u16string p16 = narrow(p);
        HANDLE h = CreateFileW(p.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            DWORD e = GetLastError();
            if (e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS) continue;
            return failed(ec);
        }
        temp.adopt(reinterpret_cast<std::intptr_t>(h), 0);
        name.swap(p16);
        return true;
    }
    return failed_with(ec, EEXIST);
}

Identity give_identity(const SaveTarget&, File&, std::error_code&) {
    // ReplaceFileW gives the new file the target's ACL, owner, attributes, streams and creation
    // time; a new file takes its directory's like any other.
    return Identity::kept;
}

bool put_in_place(const SaveTarget& t, File& temp, std::u16string& name, std::error_code& ec) {
    std::wstring from = wide(name), to = wide(t.path);
    std::wstring backup = temp_name(wide(t.dir));
    temp.discard();  // ReplaceFileW and MoveFileExW need it closed
    bool ok = false;
    if (!detail::operation_fails(ec)) {
        for (int attempt = 0;; ++attempt) {
            if (t.exists) {
                // With a backup name, every failure leaves both files under a name: the target's
                // own, or the backup's, from where it is moved back.
                ok = ReplaceFileW(to.c_str(), from.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                                  nullptr) != 0;
            } else {
                ok = MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
            }
            DWORD e = ok ? 0 : GetLastError();
            if (ok || attempt == kShareRetries || !busy(e)) {
                if (!ok) {
                    if (e == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) MoveFileExW(backup.c_str(), to.c_str(), 0);
                    failed_with(ec, errno_of(e));
                }
                break;
            }
            Sleep(kShareWaitMs);
        }
    }
    if (ok) {
        DeleteFileW(backup.c_str());
        if (t.exists) keep_attributes_and_creation(t, to);
    } else {
        DeleteFileW(from.c_str());
    }
    name.clear();
    return ok;
}

bool publish(File& temp, std::u16string& name, Text final_path, std::error_code& ec) {
    std::wstring from = wide(name), to(final_path.begin(), final_path.end());
    temp.discard();  // MoveFileExW needs it closed
    bool ok = !detail::operation_fails(ec) && (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0 || failed(ec));
    if (!ok) DeleteFileW(from.c_str());
    name.clear();
    return ok;
}

void remove_synced(Text path) noexcept {
    try {
        std::wstring p(path.begin(), path.end());
        DeleteFileW(p.c_str());
    } catch (...) {  // out of memory for the name: the backup stays, which is safe
    }
}

bool private_backup_dir(bool create, std::u16string& out, std::error_code& ec) {
    out.clear();
    wchar_t base[MAX_PATH + 1];
    DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) return failed_with(ec, EACCES);
    std::wstring dir(base, n);
    if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
    for (const wchar_t* level : {L"peltatxt\\", L"backups\\"}) {
        dir += level;
        if (create && !CreateDirectoryW(dir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return failed(ec);
    }
    DWORD attributes = GetFileAttributesW(dir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return failed_with(ec, EACCES);
    out = narrow(dir);
    return true;
}

bool is_backup_of(Text backup, const SaveTarget&, bool) {
    std::wstring p(backup.begin(), backup.end());
    DWORD attributes = GetFileAttributesW(p.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE));
}

bool identify(Text path, const File&, SaveTarget& t, std::error_code& ec) {
    t = SaveTarget{};
    std::wstring p;
    if (!detail::to_wide(path, p, ec)) return false;
    // No access asked: this opens even while a save in place holds the file to itself.
    HANDLE h = CreateFileW(p.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return failed(ec);
    BY_HANDLE_FILE_INFORMATION info{};
    std::wstring full(32768, L'\0');
    DWORD m = GetFinalPathNameByHandleW(h, full.data(), static_cast<DWORD>(full.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    bool ok = GetFileInformationByHandle(h, &info) && m != 0 && m < full.size();
    if (!ok) failed(ec);
    CloseHandle(h);
    if (!ok) return false;
    full.resize(m);
    set_identity(t, full, info);
    return true;
}

bool is_target(const SaveTarget& t, const File& file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle_of(file), &info)) return false;
    return info.dwVolumeSerialNumber == t.device && ((uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow) == t.inode;
}

void restore_times(const SaveTarget& t, File& file) noexcept {
    FILETIME access = filetime_of(t.access_s), write = filetime_of(t.modify_s);
    SetFileTime(handle_of(file), nullptr, &access, &write);
}

}  // namespace peltatxt::fs::save
