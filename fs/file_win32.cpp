// file_win32.cpp — the file operations on Windows: UTF-16 paths ("\\?\" when long), FindFirstFileW times, bounded reads.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cerrno>
#include <string>

#include "cause.h"
#include "file_fault.h"
#include "file_system.h"
#include "save_target.h"

namespace peltatxt::fs {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows paths are UTF-16");

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

using detail::failed;
using detail::failed_with;

using detail::kShareRetries;
using detail::kShareWaitMs;

HANDLE create_retrying(const std::wstring& p, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    for (int attempt = 0;; ++attempt) {
        HANDLE h = CreateFileW(p.c_str(), access, share, nullptr, disposition, flags, nullptr);
        if (h != INVALID_HANDLE_VALUE || attempt == kShareRetries) return h;
        DWORD e = GetLastError();
        if (e != ERROR_SHARING_VIOLATION && e != ERROR_LOCK_VIOLATION) return h;
        Sleep(kShareWaitMs);
    }
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

bool detail::to_wide(Text s, std::wstring& out, std::error_code& ec) {
    if (s.empty() || s.find(u'\0') != Text::npos) return failed_with(ec, EINVAL);
    out.assign(s.begin(), s.end());
    // Beyond MAX_PATH (less room for a temporary name beside it) only the "\\?\" form works; it
    // takes the path as it is, so it is made absolute first.
    constexpr std::size_t kPlainLimit = MAX_PATH - 40;
    if (out.rfind(L"\\\\?\\", 0) == 0 || out.rfind(L"\\\\.\\", 0) == 0) return true;
    std::wstring full;
    if (!full_path(out, full) || full.size() < kPlainLimit) return true;  // the plain form serves
    if (full.rfind(L"\\\\", 0) == 0) {
        out = L"\\\\?\\UNC\\" + full.substr(2);
    } else {
        out = L"\\\\?\\" + full;
    }
    return true;
}

bool creation_seconds(Text path, int64_t& seconds, std::error_code& ec) {
    std::wstring p, full;
    if (!detail::to_wide(path, p, ec)) return false;
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
    if (detail::operation_fails(error_) || !detail::to_wide(path, p, error_)) return false;
    DWORD attributes = GetFileAttributesW(p.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return failed(error_);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return failed_with(error_, EISDIR);
    if (attributes & FILE_ATTRIBUTE_DEVICE) return failed_with(error_, ENXIO);
    // No writer while it is read (a save in place waits, or fails as busy); a save by replacing,
    // which needs only to delete, goes ahead.
    HANDLE h = create_retrying(p, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
    if (h == INVALID_HANDLE_VALUE) return failed(error_);
    LARGE_INTEGER size{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &size)) {  // a device such as NUL or CON is no file
        CloseHandle(h);
        return failed_with(error_, ENXIO);
    }
    adopt(reinterpret_cast<std::intptr_t>(h), static_cast<uint64_t>(size.QuadPart));
    return true;
}

bool File::create_new(Text path) {
    std::wstring p;
    if (detail::operation_fails(error_) || !detail::to_wide(path, p, error_)) return false;
    HANDLE h = CreateFileW(p.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return failed(error_);
    adopt(reinterpret_cast<std::intptr_t>(h), 0);
    left_ = UINT64_MAX;
    return true;
}

bool File::open_update(Text path) {
    std::wstring p;
    if (detail::operation_fails(error_) || !detail::to_wide(path, p, error_)) return false;
    // The file to itself while it is written in place: imports that find it so read its backup.
    HANDLE h = create_retrying(p, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (h == INVALID_HANDLE_VALUE) return failed(error_);
    LARGE_INTEGER size{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &size)) {
        CloseHandle(h);
        return failed_with(error_, ENXIO);
    }
    adopt(reinterpret_cast<std::intptr_t>(h), static_cast<uint64_t>(size.QuadPart));
    left_ = UINT64_MAX;
    return true;
}

bool File::open_to_lock(Text) {
    return false;  // the sharing modes of the opens keep saves and imports apart here
}

File::Locked File::lock(Lock, bool, int) noexcept { return Locked::unsupported; }

uint64_t file_size_limit() noexcept { return UINT64_MAX; }

void set_system_error(std::error_code cause, int fallback) noexcept {
    int error = cause ? cause.value() : fallback;
    DWORD code = ERROR_WRITE_FAULT;
    switch (error) {
        case ENOENT: code = ERROR_PATH_NOT_FOUND; break;
        case EACCES: code = ERROR_ACCESS_DENIED; break;
        case EBUSY: code = ERROR_SHARING_VIOLATION; break;
        case ENOSPC: code = ERROR_DISK_FULL; break;
        case EROFS: code = ERROR_WRITE_PROTECT; break;
        case EEXIST: code = ERROR_FILE_EXISTS; break;
        case ENAMETOOLONG: code = ERROR_FILENAME_EXCED_RANGE; break;
        case ENOTDIR: code = ERROR_DIRECTORY; break;
        case EISDIR: code = 336; break;  // ERROR_DIRECTORY_NOT_SUPPORTED, which older headers lack
        case EFBIG: code = ERROR_FILE_TOO_LARGE; break;
        case ENOMEM: code = ERROR_NOT_ENOUGH_MEMORY; break;
        case EINVAL: code = ERROR_INVALID_PARAMETER; break;
        case ENXIO: code = ERROR_BAD_FILE_TYPE; break;
        default: break;
    }
    SetLastError(code);
}

namespace {
constexpr std::size_t kMaxChunk = 1u << 30;
OVERLAPPED at_offset(uint64_t offset) {
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(offset);
    o.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return o;
}
}  // namespace

std::ptrdiff_t File::read(void* buffer, std::size_t bytes) {
    if (detail::operation_fails(error_)) return -1;
    if (left_ < bytes) bytes = static_cast<std::size_t>(left_);
    if (bytes == 0) return 0;
    DWORD got = 0;
    if (!ReadFile(handle_of(handle_), buffer, static_cast<DWORD>(bytes < kMaxChunk ? bytes : kMaxChunk), &got, nullptr)) {
        failed(error_);
        return -1;
    }
    left_ -= got;
    return static_cast<std::ptrdiff_t>(got);
}

bool File::read_at(uint64_t offset, void* buffer, std::size_t bytes) {
    if (detail::operation_fails(error_)) return false;
    auto* p = static_cast<char*>(buffer);
    while (bytes > 0) {
        OVERLAPPED o = at_offset(offset);
        DWORD got = 0;
        if (!ReadFile(handle_of(handle_), p, static_cast<DWORD>(bytes < kMaxChunk ? bytes : kMaxChunk), &got, &o))
            return failed(error_);
        if (got == 0) return failed_with(error_, EIO);
        p += got;
        offset += got;
        bytes -= got;
    }
    return true;
}

bool File::write_all(const void* buffer, std::size_t bytes) {
    if (detail::operation_fails(error_)) return false;
    auto* p = static_cast<const char*>(buffer);
    while (bytes > 0) {
        DWORD put = 0;
        if (!WriteFile(handle_of(handle_), p, static_cast<DWORD>(bytes < kMaxChunk ? bytes : kMaxChunk), &put, nullptr))
            return failed(error_);
        if (put == 0) return failed_with(error_, ENOSPC);
        p += put;
        bytes -= put;
    }
    return true;
}

bool File::write_at(uint64_t offset, const void* buffer, std::size_t bytes) {
    if (detail::operation_fails(error_)) return false;
    auto* p = static_cast<const char*>(buffer);
    while (bytes > 0) {
        OVERLAPPED o = at_offset(offset);
        DWORD put = 0;
        if (!WriteFile(handle_of(handle_), p, static_cast<DWORD>(bytes < kMaxChunk ? bytes : kMaxChunk), &put, &o))
            return failed(error_);
        if (put == 0) return failed_with(error_, ENOSPC);
        p += put;
        offset += put;
        bytes -= put;
    }
    return true;
}

bool File::truncate(uint64_t bytes) {
    if (detail::operation_fails(error_)) return false;
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(bytes);
    if (!SetFilePointerEx(handle_of(handle_), at, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_of(handle_))) return failed(error_);
    return true;
}

bool File::reserve(uint64_t) {
    // The writes find out; NTFS gives no reservation that leaves the length alone.
    return !detail::operation_fails(error_);
}

bool File::sync() {
    if (detail::operation_fails(error_)) return false;
    return FlushFileBuffers(handle_of(handle_)) != 0 || failed(error_);
}

// Windows starts writing a file's cached pages on its own; FlushFileBuffers waits for the rest.
void File::start_writeback(uint64_t, uint64_t) noexcept {}

bool File::close() {
    if (handle_ == kClosed) return true;
    HANDLE h = handle_of(handle_);
    handle_ = kClosed;
    bool fault = detail::operation_fails(error_);
    // The handle is released even when CloseHandle reports an error; it must not be closed again.
    if (!CloseHandle(h)) return failed(error_);
    return !fault;
}

void remove(Text path) {
    std::wstring p;
    std::error_code ignored;
    if (detail::to_wide(path, p, ignored)) DeleteFileW(p.c_str());
}

namespace detail {

int errno_of(unsigned long error) noexcept {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME: return ENOENT;
        case ERROR_ACCESS_DENIED: return EACCES;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return EBUSY;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return ENOSPC;
        case ERROR_WRITE_PROTECT: return EROFS;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return EEXIST;
        case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
        case ERROR_DIRECTORY: return ENOTDIR;
        default: return EIO;
    }
}

bool failed(std::error_code& ec) noexcept { return failed_with(ec, errno_of(GetLastError())); }

}  // namespace detail

}  // namespace peltatxt::fs
