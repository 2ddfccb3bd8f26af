// fuzz_support.cpp — scratch directory, file bytes and failure reporting for the fuzz targets.
#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#if defined(_WIN32)
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace peltatxt::fuzz {
namespace fsys = std::filesystem;

namespace {
void remove_scratch() {
    std::error_code ec;
    fsys::remove_all(scratch_dir(), ec);
}
}  // namespace

const std::string& scratch_dir() {
    // Never destroyed, so that the removal at exit can still use it.
    static const std::string& dir = *[] {
        std::error_code ec;
        fsys::path root = fsys::is_directory("/dev/shm", ec) ? fsys::path("/dev/shm") : fsys::temp_directory_path();
        fsys::path p = root / ("peltatxt-fuzz-" + std::to_string(::getpid()));
        fsys::remove_all(p, ec);
        fsys::create_directories(p);
        std::atexit(remove_scratch);
        return new std::string(p.string());
    }();
    return dir;
}

void write_file_bytes(const std::string& path, const uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    check(f != nullptr, "cannot create the input file", path);
    if (size) check(std::fwrite(data, 1, size, f) == size, "cannot write the input file", path);
    check(std::fclose(f) == 0, "cannot close the input file", path);
}

std::string read_file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::u16string wide(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz check failed: %s%s%s\n", what, detail.empty() ? "" : ": ", detail.c_str());
    std::fflush(stderr);
    std::abort();
}

std::string show(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out.push_back(static_cast<char>(c));
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
            out += buf;
        }
    }
    return out;
}

}  // namespace peltatxt::fuzz
