// fuzz_support.cpp — scratch directory, file bytes and failure reporting for the fuzz targets.
#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>

#include "support/temp_dir.h"

namespace peltatxt::fuzz {
namespace fsys = std::filesystem;

namespace {
testing::TempDir* scratch = nullptr;

void remove_scratch() {
    delete scratch;
    scratch = nullptr;
}
}  // namespace

const std::string& scratch_dir() {
    // Never destroyed, so that it stays valid for whatever runs at exit.
    static const std::string& dir = *[] {
        std::error_code ec;
        fsys::path root = fsys::is_directory("/dev/shm", ec) ? fsys::path("/dev/shm") : fsys::temp_directory_path();
        scratch = new testing::TempDir(root);
        std::atexit(remove_scratch);
        return new std::string(scratch->path().string());
    }();
    return dir;
}

void write_file_bytes(const std::string& path, const uint8_t* data, std::size_t size) {
    try {
        testing::write_bytes(path, std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const std::exception& e) {
        fail("cannot write the input file", e.what());
    }
}

std::u16string wide(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz check failed: %s%s%s\n", what, detail.empty() ? "" : ": ", detail.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace peltatxt::fuzz
