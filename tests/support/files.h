// files.h — files as bytes and as UTF-16LE text, for the tests, fuzz targets and benchmark tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace peltatxt::testing {

// The path as the UTF-16 text the exports take.
std::u16string u16(const std::filesystem::path& p);

// The whole file; empty when it cannot be read.
std::string read_bytes(const std::filesystem::path& p);
// Creates or truncates the file with exactly these bytes; throws std::runtime_error on failure.
void write_bytes(const std::filesystem::path& p, std::string_view bytes);

// Little-endian bytes of text, after a byte-order mark when bom is set.
std::string utf16le(std::u16string_view text, bool bom = true);
// Units of little-endian bytes (a last odd byte left out); no byte-order mark is removed.
std::u16string from_utf16le(std::string_view bytes);
// Writes text as a UTF-16LE file, with a byte-order mark when bom is set.
void write_text(const std::filesystem::path& p, std::u16string_view text, bool bom = true);

// Names of the files in a directory, sorted.
std::vector<std::string> file_names(const std::filesystem::path& dir);

}  // namespace peltatxt::testing
