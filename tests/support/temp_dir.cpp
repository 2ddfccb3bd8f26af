// temp_dir.cpp — temporary directories named by process and counter.
#include "support/temp_dir.h"

#include <atomic>
#include <cstdlib>
#include <string>

#if defined(_WIN32)
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace peltatxt::testing {
namespace fsys = std::filesystem;

namespace {
fsys::path default_root() {
    const char* base = std::getenv("PELTATXT_TMP");
    return base && *base ? fsys::path(base) : fsys::temp_directory_path();
}
}  // namespace

TempDir::TempDir() : TempDir(default_root()) {}

TempDir::TempDir(const fsys::path& root) {
    static std::atomic<int> counter{0};
    path_ = root / ("peltatxt-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::error_code ec;
    fsys::remove_all(path_, ec);  // left by an earlier process with the same id
    fsys::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    fsys::permissions(path_, fsys::perms::owner_all, fsys::perm_options::add, ec);
    fsys::remove_all(path_, ec);
}

}  // namespace peltatxt::testing
