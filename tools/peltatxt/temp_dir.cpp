// temp_dir.cpp — making a private temporary directory, with the variable to blame when there is none.
#if !defined(_WIN32) && !defined(_FILE_OFFSET_BITS)
#define _FILE_OFFSET_BITS 64  // 64-bit sizes and inode numbers in 32-bit builds too
#endif
#include "temp_dir.h"

#include <cerrno>
#include <cstdlib>
#include <random>
#include <system_error>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "failure.h"
#include "file_names.h"
#include "signal_cleanup.h"

namespace peltatxt::cli {
namespace {

// Why there is no temporary directory: the variable that named it, and what it names.
std::string temp_directory_trouble() {
#if defined(_WIN32)
    const char* variables[] = {"TMP", "TEMP", "USERPROFILE"};
#else
    const char* variables[] = {"TMPDIR", "TMP", "TEMP", "TEMPDIR"};
#endif
    for (const char* v : variables)
        if (const char* value = std::getenv(v); value && *value)
            return std::string(value) + " (from " + v + "): no such directory for temporary files";
    return "no directory for temporary files";
}

}  // namespace

TempDir::TempDir() {
    std::random_device random;
    std::filesystem::path base;
    try {
        base = std::filesystem::temp_directory_path();
    } catch (const std::filesystem::filesystem_error&) {
        throw Failure(temp_directory_trouble());
    }
    for (int attempt = 0;; ++attempt) {
        std::filesystem::path p = base / ("peltatxt-" + std::to_string(random()) + std::to_string(random()));
        std::error_code ec;
        // Registered before it exists: a signal right after it is made must find it listed.
        int slot = cleanup::add(utf8_path(p));
#if defined(_WIN32)
        bool made = std::filesystem::create_directory(p, ec);
#else
        // Private from the start: the records written into it are the user's.
        bool made = ::mkdir(p.c_str(), 0700) == 0;
        if (!made) ec = std::error_code(errno, std::generic_category());
#endif
        if (made) {
            path_ = p;
            slot_ = slot;
            return;
        }
        cleanup::drop(slot);
        if (attempt == 100 || (ec && ec != std::errc::file_exists))
            throw Failure(utf8_path(base) + ": cannot create a temporary directory: " + ec.message());
    }
}

TempDir::~TempDir() {
    cleanup::drop(slot_);
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::file(const std::string& name) const { return utf8_path(path_ / native_path(name)); }

}  // namespace peltatxt::cli
