// files.h — the tool's own file access: reading inputs, writing outputs, temporary directories.
//
// Paths are UTF-8 strings as they come from the command line; every failure is a Failure whose
// message names the file and says what is wrong.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace peltatxt::fs {
class AtomicFile;
}

namespace peltatxt::cli {

// The file-system path for a UTF-8 path (wide on Windows).
std::filesystem::path native_path(const std::string& utf8);
// The UTF-8 form of a file-system path.
std::string utf8_path(const std::filesystem::path& path);

// Inputs must be regular files: a directory, FIFO, device or socket is refused at once with a line
// that says what it is, before anything is opened (opening a FIFO would wait for a writer). A
// file is read up to the size it had when it was opened, so one that grows meanwhile reads as it
// was.

// The whole content of a file.
std::string read_file(const std::string& path);
// The whole content of a file that may hold at most limit bytes; a larger one is refused.
std::string read_file(const std::string& path, std::size_t limit);
// The most the tool reads of a JSON or CSV file, and of standard input: 1 GiB, or 256 MiB in a
// 32-bit build, whose 2 to 4 GiB of address space must also hold the records read, a few times
// the text's size.
constexpr std::size_t kMaxTextInputBytes = sizeof(void*) == 4 ? std::size_t{256} << 20 : std::size_t{1} << 30;

// Copies everything that can be read from in into a new file at path, private to its owner, in
// pieces of a fixed size. More than limit bytes are refused once the limit is passed, naming
// name; a failed read names name, a failed write path. What was written is left to the caller
// to remove.
void spool_to_file(std::FILE* in, const std::string& name, const std::string& path, std::size_t limit);

// Makes sure path names a readable regular file and returns its first max_bytes bytes.
std::string read_head(const std::string& path, std::size_t max_bytes);

// Creates or replaces a file with bytes, through the plug-in's own save (AtomicFile, stated in
// fs/atomic_file.h). Fails naming the real cause (no space left, permission denied, read-only, ...).
void write_file(const std::string& path, std::string_view bytes);

// A file written a piece at a time and saved as write_file saves it: only when commit() completes
// does the new file take the place of what was there; until then, and after a failure, the
// previous file is as it was. Fails naming the cause, as write_file does.
class FileWriter {
public:
    explicit FileWriter(const std::string& path);
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;
    void write(std::string_view bytes);
    void commit();

private:
    [[noreturn]] void fail() const;
    std::string path_;
    std::unique_ptr<fs::AtomicFile> file_;
};

// Passes the content of a regular file to take a piece at a time.
void read_in_pieces(const std::string& path, const std::function<void(std::string_view)>& take);

// True when both paths name one existing file (the same device and inode, also through links).
bool same_file(const std::string& a, const std::string& b);

// Why a file could not be written at path, found by looking at it and its directory: for
// exports by a plug-in that leaves no cause. Ends in a generic reason when nothing is found.
std::string why_not_writable(const std::string& path);
// Why a save of path failed with the errno value error, in the tool's words: "is read-only",
// "no such directory", "another save of this file is in progress", "no space left on device", ...
std::string why_not_saved(const std::string& path, int error);

// A warning when the start of a data file does not look like UTF-16 little-endian text, which is
// how the format reads every file. It is taken for UTF-16 when it begins with the byte-order
// mark FF FE, or when one of its two-byte units has a zero high byte: any UTF-16 text holding a
// line break, a blank or an ASCII character has one, 8-bit text (ASCII, UTF-8, legacy code
// pages) has none. An empty file is fine. The other byte-order marks are named.
std::optional<std::string> encoding_warning(std::string_view head);

// How many bytes of a data file encoding_warning looks at.
constexpr std::size_t kEncodingSample = 64 * 1024;

// A fresh directory under the system's temporary directory, readable by its owner only, removed
// with its content when the object goes, and also when the tool is stopped by SIGINT or SIGTERM.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // The UTF-8 path of a file name inside the directory.
    std::string file(const std::string& name) const;

private:
    std::filesystem::path path_;
    int slot_ = -1;  // in the list of directories removed on a signal
};

}  // namespace peltatxt::cli
