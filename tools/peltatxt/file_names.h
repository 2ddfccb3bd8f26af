// file_names.h — the tool's file names: UTF-8 paths as they come from the command line, in the forms the file layers take.
#pragma once

#include <filesystem>
#include <string>

namespace peltatxt::cli {

// The file-system path for a UTF-8 path (wide on Windows).
std::filesystem::path native_path(const std::string& utf8);
// The UTF-8 form of a file-system path.
std::string utf8_path(const std::filesystem::path& path);

// The UTF-16 path that the file layer (fs/) takes. A name that is no UTF-8 would come out as
// another name, so it is refused (a Failure naming it) rather than read or written.
std::u16string utf16_path(const std::string& path);

// True when both paths name one existing file (the same device and inode, also through links).
bool same_file(const std::string& a, const std::string& b);

}  // namespace peltatxt::cli
