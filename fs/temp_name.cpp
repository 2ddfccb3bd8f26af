// temp_name.cpp — temporary file names: ".peltatxt-<pid>-<hex>.tmp" made and read back, on every platform alike.
#include "temp_name.h"

#include <cstdio>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <time.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/random.h>
#endif
#endif

namespace peltatxt::fs::temp_name {
namespace {

constexpr std::string_view kPrefix = ".peltatxt-";
constexpr std::string_view kLockedSuffix = ".tmp";
constexpr std::string_view kFreshSuffix = ".new";

uint64_t mixed(uint64_t r) {
    r = (r ^ (r >> 30)) * 0xBF58476D1CE4E5B9ull;
    r = (r ^ (r >> 27)) * 0x94D049BB133111EBull;
    return r ^ (r >> 31);
}

}  // namespace

uint64_t random64() noexcept {
    static uint64_t state = 0;
#if defined(_WIN32)
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    state += 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(now.QuadPart) ^ (uint64_t{GetCurrentProcessId()} << 32);
#else
    uint64_t r = 0;
#if defined(__linux__)
    if (::getrandom(&r, sizeof r, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof r)) return r;
#endif
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    state += 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(ts.tv_nsec) ^ (static_cast<uint64_t>(::getpid()) << 32);
#endif
    return mixed(state);
}

std::string make(unsigned long pid, bool fresh) {
    char tail[64];
    std::snprintf(tail, sizeof tail, "%.*s%lu-%016llx%.*s", static_cast<int>(kPrefix.size()), kPrefix.data(), pid,
                  static_cast<unsigned long long>(random64()), 4, (fresh ? kFreshSuffix : kLockedSuffix).data());
    return tail;
}

std::string search_pattern() { return std::string(kPrefix) + "*" + std::string(kLockedSuffix); }

Owner owner_of(std::string_view name) {
    Owner none;
    if (!name.starts_with(kPrefix)) return none;
    bool locked = name.ends_with(kLockedSuffix);
    if (!locked && !name.ends_with(kFreshSuffix)) return none;
    name.remove_prefix(kPrefix.size());
    name.remove_suffix(kLockedSuffix.size());
    unsigned long pid = 0;
    std::size_t i = 0;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) {
        pid = pid * 10 + static_cast<unsigned long>(name[i] - '0');
        if (pid > (1ul << 30)) return none;
    }
    // Any count of hex digits: earlier versions wrote fewer than 16.
    if (i == 0 || i + 1 >= name.size() || name[i] != '-') return none;
    for (++i; i < name.size(); ++i)
        if (!((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'a' && name[i] <= 'f'))) return none;
    return Owner{pid, locked};
}

}  // namespace peltatxt::fs::temp_name
