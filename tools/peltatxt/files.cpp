// files.cpp — reading and writing whole files by UTF-8 path, the UTF-16 look test, temporary directories.
#include "files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <system_error>

#include "failure.h"

namespace peltatxt::cli {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string reason_of(int error) { return std::generic_category().message(error); }

FilePtr open_file(const std::string& path, bool for_writing) {
    errno = 0;
#if defined(_WIN32)
    FilePtr f(_wfopen(native_path(path).c_str(), for_writing ? L"wb" : L"rb"));
#else
    FilePtr f(std::fopen(native_path(path).c_str(), for_writing ? "wb" : "rb"));
#endif
    return f;
}

// Opens path for reading, after making sure it names a regular file.
FilePtr open_input(const std::string& path) {
    std::error_code ec;
    auto status = std::filesystem::status(native_path(path), ec);
    if (status.type() == std::filesystem::file_type::not_found) throw Failure(path + ": no such file");
    if (status.type() == std::filesystem::file_type::directory) throw Failure(path + ": is a directory, not a file");
    FilePtr f = open_file(path, false);
    if (!f) throw Failure(path + ": cannot open: " + reason_of(errno ? errno : EIO));
    return f;
}

// Reads up to max bytes (all of them when max is npos).
std::string read_from(std::FILE* f, const std::string& path, std::size_t max) {
    std::string out;
    char chunk[64 * 1024];
    while (out.size() < max) {
        std::size_t want = std::min(sizeof chunk, max - out.size());
        std::size_t got = std::fread(chunk, 1, want, f);
        out.append(chunk, got);
        if (got < want) {
            if (std::ferror(f)) throw Failure(path + ": cannot read: " + reason_of(errno ? errno : EIO));
            break;
        }
    }
    return out;
}

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

std::filesystem::path native_path(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8_path(const std::filesystem::path& path) {
    std::u8string p = path.u8string();
    return std::string(p.begin(), p.end());
}

std::string read_file(const std::string& path) {
    FilePtr f = open_input(path);
    return read_from(f.get(), path, std::string::npos);
}

std::string read_head(const std::string& path, std::size_t max_bytes) {
    FilePtr f = open_input(path);
    return read_from(f.get(), path, max_bytes);
}

void write_file(const std::string& path, std::string_view bytes) {
    std::error_code ec;
    if (std::filesystem::is_directory(native_path(path), ec)) throw Failure(path + ": is a directory, not a file");
    FilePtr f = open_file(path, true);
    if (!f) throw Failure(path + ": cannot write: " + reason_of(errno ? errno : EIO));
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
    ok = std::fflush(f.get()) == 0 && ok;
    int error = errno ? errno : EIO;
    ok = std::fclose(f.release()) == 0 && ok;
    if (!ok) throw Failure(path + ": cannot write: " + reason_of(error));
}

std::optional<std::string> encoding_warning(std::string_view head) {
    auto starts = [&](std::string_view bom) { return head.substr(0, bom.size()) == bom; };
    if (head.empty() || starts("\xFF\xFE")) return std::nullopt;
    if (starts("\xFE\xFF"))
        return "starts with the big-endian byte-order mark; the format reads UTF-16 little-endian only";
    if (starts("\xEF\xBB\xBF")) return "is UTF-8 text (it starts with the UTF-8 byte-order mark), not UTF-16";
    for (std::size_t i = 1; i < head.size(); i += 2)
        if (head[i] == '\0') return std::nullopt;
    return "does not look like UTF-16 (no byte-order mark, and no UTF-16 line break, blank or ASCII character); "
           "it may be 8-bit text such as ASCII or UTF-8";
}

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
        if (std::filesystem::create_directory(p, ec)) {
            path_ = p;
            return;
        }
        if (attempt == 100) throw Failure(utf8_path(base) + ": cannot create a temporary directory: " + ec.message());
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::file(const std::string& name) const { return utf8_path(path_ / native_path(name)); }

}  // namespace peltatxt::cli
