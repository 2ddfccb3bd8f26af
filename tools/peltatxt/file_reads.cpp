// file_reads.cpp — reading regular inputs to the size they had when opened, and spooling standard input.
#include "file_reads.h"

#include <cerrno>
#include <filesystem>
#include <memory>
#include <system_error>

#include "failure.h"
#include "file_causes.h"
#include "file_names.h"
#include "fs/file_system.h"

namespace peltatxt::cli {
namespace {
namespace fsys = std::filesystem;

// Refuses an input that is missing or no regular file, with one line that says what it is.
// Only looks: nothing is opened.
void check_input(const std::string& path) {
    std::error_code ec;
    fsys::file_status st = fsys::status(native_path(path), ec);
    if (st.type() == fsys::file_type::not_found) throw Failure(path + ": no such file");
    if (st.type() == fsys::file_type::directory) throw Failure(path + ": is a directory, not a file");
    std::string kind = kind_of(st.type());
    if (!kind.empty()) throw Failure(path + ": is " + kind + ", not a file");
    if (ec) throw Failure(path + ": cannot open: " + ec.message());
}

// The piece of standard input, or of a file passed on, read and written at a time.
constexpr std::size_t kSpoolChunk = 64 * 1024;

std::string size_text(std::size_t bytes) {
    if (bytes % (std::size_t{1} << 30) == 0) return std::to_string(bytes >> 30) + " GiB";
    if (bytes % (std::size_t{1} << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
    return std::to_string(bytes) + " bytes";
}

// Reads up to max bytes of a regular file, never more than it held when opened. With
// refuse_larger, a file holding more than max is refused instead.
std::string read_input(const std::string& path, std::size_t max, bool refuse_larger) {
    check_input(path);
    fs::File f;
    if (!f.open_read(utf16_path(path))) {
        int error = f.error().value();
        check_input(path);  // replaced meanwhile by something else: say what
        throw Failure(path + ": cannot open: " + reason_of(error));
    }
    if (refuse_larger && f.size() > max)
        throw Failure(path + ": is larger than " + size_text(max) + ", the most the tool reads of such a file");
    std::size_t want = f.size() < max ? static_cast<std::size_t>(f.size()) : max;
    std::string out(want, '\0');
    std::size_t got = 0;
    while (got < want) {
        std::ptrdiff_t n = f.read(out.data() + got, want - got);
        if (n < 0) throw Failure(path + ": cannot read: " + reason_of(f.error().value()));
        if (n == 0) break;  // shorter now than when it was opened
        got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    return out;
}

}  // namespace

std::string read_file(const std::string& path) { return read_input(path, SIZE_MAX, false); }

std::string read_file(const std::string& path, std::size_t limit) { return read_input(path, limit, true); }

std::string read_head(const std::string& path, std::size_t max_bytes) { return read_input(path, max_bytes, false); }

void spool_to_file(std::FILE* in, const std::string& name, const std::string& path, std::size_t limit) {
    fs::File f;
    if (!f.create_new(utf16_path(path))) throw Failure(path + ": cannot write: " + reason_of(f.error().value()));
    std::unique_ptr<char[]> chunk(new char[kSpoolChunk]);
    std::size_t total = 0;
    for (;;) {
        std::size_t got = std::fread(chunk.get(), 1, kSpoolChunk, in);
        if (got > limit - total)
            throw Failure(name + ": holds more than " + size_text(limit) + ", the most the tool reads from it");
        total += got;
        if (got > 0 && !f.write_all(chunk.get(), got))
            throw Failure(path + ": cannot write: " + reason_of(f.error().value()));
        if (got < kSpoolChunk) break;
    }
    if (std::ferror(in)) throw Failure(name + ": cannot read: " + reason_of(errno));
    if (!f.close()) throw Failure(path + ": cannot write: " + reason_of(f.error().value()));
}

void read_in_pieces(const std::string& path, const std::function<void(std::string_view)>& take) {
    check_input(path);
    fs::File f;
    if (!f.open_read(utf16_path(path))) throw Failure(path + ": cannot open: " + reason_of(f.error().value()));
    std::unique_ptr<char[]> piece(new char[kSpoolChunk]);
    for (;;) {
        std::ptrdiff_t n = f.read(piece.get(), kSpoolChunk);
        if (n < 0) throw Failure(path + ": cannot read: " + reason_of(f.error().value()));
        if (n == 0) return;
        take(std::string_view(piece.get(), static_cast<std::size_t>(n)));
    }
}

}  // namespace peltatxt::cli
