// file_win32.cpp — the file operations on Windows: UTF-16 paths as they are, FindFirstFileW times, MoveFileExW to replace.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "file_fault.h"
#include "file_system.h"

namespace peltatxt::fs {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows paths are UTF-16");

// The path as a zero-terminated wide string. False for an empty path or one holding U+0000,
// which the zero-terminated API would silently cut short.
bool to_wide(Text s, std::wstring& out) {
    if (s.empty() || s.find(u'\0') != Text::npos) return false;
    out.assign(s.begin(), s.end());
    return true;
}

HANDLE handle_of(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

// The absolute form of path, from GetFullPathNameW.
bool full_path(const std::wstring& path, std::wstring& out) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return false;
    out.assign(n, L'\0');
    DWORD m = GetFullPathNameW(path.c_str(), n, out.data(), nullptr);
    if (m == 0 || m >= n) return false;
    out.resize(m);
    return true;
}

// The root directory of the volume an absolute path lies on, with its trailing backslash:
// "C:\", "\\server\share\", "\\?\C:\" or "\\?\UNC\server\share\". Empty when there is none.
std::wstring volume_root(const std::wstring& p) {
    std::size_t skip = 0;
    bool unc = false;
    if (p.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        skip = 8;
        unc = true;
    } else if (p.rfind(L"\\\\?\\", 0) == 0) {
        skip = 4;
    } else if (p.rfind(L"\\\\", 0) == 0) {
        skip = 2;
        unc = true;
    }
    if (!unc) {
        if (p.size() >= skip + 3 && p[skip + 1] == L':' && p[skip + 2] == L'\\') return p.substr(0, skip + 3);
        return {};
    }
    std::size_t server_end = p.find(L'\\', skip);
    if (server_end == std::wstring::npos || server_end == skip) return {};
    std::size_t share_end = p.find(L'\\', server_end + 1);
    if (share_end == server_end + 1) return {};
    return share_end == std::wstring::npos ? p + L'\\' : p.substr(0, share_end + 1);
}

uint64_t ticks_of(const FILETIME& t) { return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }

// FILETIME counts 100 ns ticks since 1601-01-01 UTC.
int64_t unix_seconds(uint64_t ticks) {
    constexpr int64_t kSeconds1601To1970 = 11644473600;
    return static_cast<int64_t>(ticks / 10000000) - kSeconds1601To1970;
}

}  // namespace

bool creation_seconds(Text path, int64_t& seconds) {
    std::wstring p, full;
    if (!to_wide(path, p)) return false;
    // A search pattern names no file; the "?" of a "\\?\" prefix is no pattern.
    if (p.find_first_of(L"*?", p.rfind(L"\\\\?\\", 0) == 0 ? 4 : 0) != std::wstring::npos) return false;
    if (!full_path(p, full)) return false;
    std::wstring root = volume_root(full);
    if (root.empty() || !GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0))
        return false;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(full.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return false;
    uint64_t created = ticks_of(found.ftCreationTime);
    int64_t s = unix_seconds(created);
    seconds = created != 0 && s != 0 ? s : unix_seconds(ticks_of(found.ftLastWriteTime));
    return true;
}

void File::discard() noexcept {
    if (handle_ != kClosed) CloseHandle(handle_of(handle_));
    handle_ = kClosed;
}

bool File::open_read(Text path) {
    std::wstring p;
    if (detail::operation_fails() || !to_wide(path, p)) return false;
    HANDLE h = CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    if (GetFileType(h) != FILE_TYPE_DISK) {  // a device such as NUL or CON is no file to import
        CloseHandle(h);
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    return true;
}

bool File::create_new(Text path) {
    std::wstring p;
    if (detail::operation_fails() || !to_wide(path, p)) return false;
    HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    handle_ = reinterpret_cast<std::intptr_t>(h);
    return true;
}

std::ptrdiff_t File::read(void* buffer, std::size_t bytes) {
    if (detail::operation_fails()) return -1;
    constexpr std::size_t kMaxChunk = 1u << 30;
    DWORD got = 0;
    if (!ReadFile(handle_of(handle_), buffer, static_cast<DWORD>(bytes < kMaxChunk ? bytes : kMaxChunk), &got, nullptr))
        return -1;
    return static_cast<std::ptrdiff_t>(got);
}

bool File::write_all(const void* buffer, std::size_t bytes) {
    if (detail::operation_fails()) return false;
    constexpr std::size_t kMaxChunk = 1u << 30;
    auto* p = static_cast<const char*>(buffer);
    while (bytes > 0) {
        DWORD put = 0;
        if (!WriteFile(handle_of(handle_), p, static_cast<DWORD>(bytes < kMaxChunk ? bytes : kMaxChunk), &put, nullptr))
            return false;
        if (put == 0) return false;
        p += put;
        bytes -= put;
    }
    return true;
}

bool File::sync() {
    if (detail::operation_fails()) return false;
    return FlushFileBuffers(handle_of(handle_)) != 0;
}

bool File::close() {
    if (handle_ == kClosed) return true;
    HANDLE h = handle_of(handle_);
    handle_ = kClosed;
    bool failed = detail::operation_fails();
    // The handle is released even when CloseHandle reports an error; it must not be closed again.
    return CloseHandle(h) != 0 && !failed;
}

bool replace(Text from, Text to) {
    std::wstring f, t;
    if (detail::operation_fails() || !to_wide(from, f) || !to_wide(to, t)) return false;
    // Write-through: the call returns only once the move is on disk.
    return MoveFileExW(f.c_str(), t.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void remove(Text path) {
    std::wstring p;
    if (to_wide(path, p)) DeleteFileW(p.c_str());
}

uint32_t process_id() noexcept { return static_cast<uint32_t>(GetCurrentProcessId()); }

}  // namespace peltatxt::fs
