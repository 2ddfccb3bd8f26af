// files.h — the tool's own file access: reading inputs, writing outputs, temporary directories.
//
// Paths are UTF-8 strings as they come from the command line; every failure is a Failure whose
// message names the file and says what is wrong.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace peltatxt::cli {

// The file-system path for a UTF-8 path (wide on Windows).
std::filesystem::path native_path(const std::string& utf8);
// The UTF-8 form of a file-system path.
std::string utf8_path(const std::filesystem::path& path);

// The whole content of a file.
std::string read_file(const std::string& path);

// Makes sure path names a readable regular file and returns its first max_bytes bytes.
std::string read_head(const std::string& path, std::size_t max_bytes);

// Creates or replaces a file with bytes.
void write_file(const std::string& path, std::string_view bytes);

// A warning when the start of a data file does not look like UTF-16 little-endian text, which is
// how the format reads every file. It is taken for UTF-16 when it begins with the byte-order
// mark FF FE, or when one of its two-byte units has a zero high byte: any UTF-16 text holding a
// line break, a blank or an ASCII character has one, 8-bit text (ASCII, UTF-8, legacy code
// pages) has none. An empty file is fine. The other byte-order marks are named.
std::optional<std::string> encoding_warning(std::string_view head);

// How many bytes of a data file encoding_warning looks at.
constexpr std::size_t kEncodingSample = 64 * 1024;

// A fresh directory under the system's temporary directory, removed with its content when the
// object goes.
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
};

}  // namespace peltatxt::cli
