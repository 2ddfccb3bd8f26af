// files.cpp — the tool's file layer: regular inputs read to their size, outputs saved like exports, private temporary directories.
#if !defined(_WIN32) && !defined(_FILE_OFFSET_BITS)
#define _FILE_OFFSET_BITS 64  // 64-bit sizes and inode numbers in 32-bit builds too
#endif
#include "files.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <system_error>

#if !defined(_WIN32)
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/syscall.h>
#endif
#endif

#include "failure.h"
#include "plugin_host.h"
#include "fs/atomic_file.h"
#include "fs/file_system.h"

namespace peltatxt::cli {
namespace {
namespace fsys = std::filesystem;

// The system's text for an errno value, starting in lower case like the tool's own messages.
std::string reason_of(int error) {
    std::string s = std::generic_category().message(error ? error : EIO);
    if (s.size() > 1 && s[0] >= 'A' && s[0] <= 'Z' && !(s[1] >= 'A' && s[1] <= 'Z')) s[0] = static_cast<char>(s[0] - 'A' + 'a');
    return s;
}

// The UTF-16 path that the file layer takes. A name that is no UTF-8 would come out as another
// name, so it is refused rather than read or written.
std::u16string utf16_path(const std::string& path) {
    std::u16string p = host::from_utf8(path);
    if (host::to_utf8(p) != path) throw Failure(path + ": the file name is not UTF-8 text");
    return p;
}

// "a FIFO (named pipe)", "a device", "a socket", ... for what is neither a regular file, nor a
// directory, nor missing; empty otherwise.
std::string kind_of(fsys::file_type type) {
    switch (type) {
        case fsys::file_type::fifo: return "a FIFO (named pipe)";
        case fsys::file_type::block:
        case fsys::file_type::character: return "a device";
        case fsys::file_type::socket: return "a socket";
        case fsys::file_type::regular:
        case fsys::file_type::directory:
        case fsys::file_type::not_found:
        case fsys::file_type::none: return "";
        default: return "not a regular file";
    }
}

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

bool is_there(const fsys::file_status& st) {
    return st.type() != fsys::file_type::not_found && st.type() != fsys::file_type::none;
}

bool has_no_write_bit(const fsys::file_status& st) {
    using fsys::perms;
    return (st.permissions() & (perms::owner_write | perms::group_write | perms::others_write)) == perms::none;
}

// The directory of the file at path (links resolved), and whether this process may create a
// file in it and write the file itself.
struct Access {
    std::string dir;
    bool dir_takes_files = true, file_writable = true;
};
Access access_of([[maybe_unused]] const std::string& path) {
    Access a;
#if !defined(_WIN32)
    std::error_code ec;
    fsys::path real = fsys::weakly_canonical(native_path(path), ec);
    fsys::path dir = (ec ? native_path(path) : real).parent_path();
    a.dir = dir.empty() ? "." : utf8_path(dir);
    a.dir_takes_files = ::faccessat(AT_FDCWD, a.dir.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
    a.file_writable = ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
#endif
    return a;
}

}  // namespace

// The reason for a failed save at path, from the cause the save reported.
std::string why_not_saved(const std::string& path, int error) {
    std::error_code ec;
    fsys::file_status st = fsys::status(native_path(path), ec);
    switch (error) {
        case EISDIR: return "is a directory";
        case ENXIO: {
            std::string kind = kind_of(st.type());
            return "is " + (kind.empty() ? std::string("not a regular file") : kind + ", not a regular file");
        }
        case ENOENT: return "no such directory";
        case EPERM: return is_there(st) ? "is immutable or append-only" : reason_of(error);
        case EBUSY: return "another save of this file is in progress";
        case EFBIG: return "file too large (past the file-size limit of this process, ulimit -f)";
        case EACCES: {
            if (is_there(st) && has_no_write_bit(st)) return "is read-only";
            Access a = access_of(path);
            if (!a.dir_takes_files && !is_there(st)) return "cannot create a file in " + a.dir + ": " + reason_of(error);
            if (!a.dir_takes_files && a.file_writable)
                return "its directory takes no new file, and there is no private backup directory on a disk "
                       "($XDG_STATE_HOME or ~/.local/state) for the backup a save in place needs";
            return reason_of(error);
        }
        default: return reason_of(error);
    }
}

namespace {

#if defined(__linux__)
// Removing the tool's temporary directories when it is stopped by a signal. The handler may only
// make async-signal-safe calls: the directories are registered beforehand as fixed strings, and
// their entries are listed with getdents64 into a static buffer. They hold files only.
namespace cleanup {
constexpr int kSlots = 4;
constexpr std::size_t kPathBytes = 4096;
char paths[kSlots][kPathBytes];
volatile sig_atomic_t in_use[kSlots];

struct LinuxDirent64 {
    uint64_t d_ino;
    int64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[1];
};

void remove_dir(const char* dir) noexcept {
    int fd = ::open(dir, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        alignas(8) static char buffer[8192];
        for (;;) {
            long n = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
            if (n <= 0) break;
            for (long at = 0; at < n;) {
                auto* d = reinterpret_cast<LinuxDirent64*>(buffer + at);
                const char* name = d->d_name;
                if (!(name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))))
                    ::unlinkat(fd, name, 0);
                at += d->d_reclen;
            }
        }
        ::close(fd);
    }
    ::rmdir(dir);
}

void on_signal(int sig) {
    for (int i = 0; i < kSlots; ++i)
        if (in_use[i]) remove_dir(paths[i]);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void install() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;  // left ignored
        struct sigaction sa {};
        sa.sa_handler = on_signal;
        sigemptyset(&sa.sa_mask);
        ::sigaction(sig, &sa, nullptr);
    }
}

int add(const std::string& path) {
    if (path.size() >= kPathBytes) return -1;
    install();
    for (int i = 0; i < kSlots; ++i)
        if (!in_use[i]) {
            std::memcpy(paths[i], path.c_str(), path.size() + 1);
            std::atomic_signal_fence(std::memory_order_seq_cst);  // the path is complete before it is listed
            in_use[i] = 1;
            return i;
        }
    return -1;
}

void drop(int slot) {
    if (slot >= 0) in_use[slot] = 0;
}
}  // namespace cleanup
#else
namespace cleanup {
int add(const std::string&) { return -1; }
void drop(int) {}
}  // namespace cleanup
#endif

}  // namespace

std::filesystem::path native_path(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8_path(const std::filesystem::path& path) {
    std::u8string p = path.u8string();
    return std::string(p.begin(), p.end());
}

std::string read_file(const std::string& path) { return read_input(path, SIZE_MAX, false); }

std::string read_file(const std::string& path, std::size_t limit) { return read_input(path, limit, true); }

std::string read_head(const std::string& path, std::size_t max_bytes) { return read_input(path, max_bytes, false); }

void write_file(const std::string& path, std::string_view bytes) {
    std::u16string target = utf16_path(path);
    fs::AtomicFile f;
    if (f.open(target) && f.write_bytes(bytes.data(), bytes.size()) && f.commit()) return;
    throw Failure(path + ": cannot write: " + why_not_saved(path, f.error().value()));
}

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

FileWriter::FileWriter(const std::string& path) : path_(path), file_(std::make_unique<fs::AtomicFile>()) {
    if (!file_->open(utf16_path(path))) fail();
}

FileWriter::~FileWriter() = default;

void FileWriter::write(std::string_view bytes) {
    if (!file_->write_bytes(bytes.data(), bytes.size())) fail();
}

void FileWriter::commit() {
    if (!file_->commit()) fail();
}

void FileWriter::fail() const { throw Failure(path_ + ": cannot write: " + why_not_saved(path_, file_->error().value())); }

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

bool same_file(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fsys::equivalent(native_path(a), native_path(b), ec) && !ec;
}

std::string why_not_writable(const std::string& path) {
    fs::save::Refusal r = fs::save::why_refused(utf16_path(path));
    std::string dir = host::to_utf8(r.dir);
    if (r.error == 0) return "the plug-in could not write the file";
    if (r.out_of_inodes) return "no free inodes left on the device";
    if (r.no_creation) return "cannot create a file in " + dir + ": " + reason_of(r.error);
    if (r.error == ENOTDIR) return "no such directory (" + dir + " is not a directory)";
    return why_not_saved(path, r.error);
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
