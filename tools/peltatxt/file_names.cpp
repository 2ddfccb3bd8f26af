// file_names.cpp — converting the tool's UTF-8 paths, and telling whether two name one file.
#include "file_names.h"

#include <system_error>

#include "failure.h"
#include "text/utf8.h"

namespace peltatxt::cli {

std::filesystem::path native_path(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8_path(const std::filesystem::path& path) {
    std::u8string p = path.u8string();
    return std::string(p.begin(), p.end());
}

std::u16string utf16_path(const std::string& path) {
    std::optional<std::u16string> p = file_name_utf16(path);
    if (!p) throw Failure(path + ": the file name is not UTF-8 text");
    return *p;
}

bool same_file(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(native_path(a), native_path(b), ec) && !ec;
}

}  // namespace peltatxt::cli
