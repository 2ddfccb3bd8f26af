// files.cpp — whole-file reads and writes, UTF-16LE conversion and directory listings.
#include "support/files.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace peltatxt::testing {
namespace fsys = std::filesystem;

std::u16string u16(const fsys::path& p) { return p.u16string(); }

std::string read_bytes(const fsys::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_bytes(const fsys::path& p, std::string_view bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + p.string());
}

std::string utf16le(std::u16string_view text, bool bom) {
    std::string out;
    out.reserve(text.size() * 2 + 2);
    if (bom) out += "\xFF\xFE";
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

std::u16string from_utf16le(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return out;
}

void write_text(const fsys::path& p, std::u16string_view text, bool bom) { write_bytes(p, utf16le(text, bom)); }

std::vector<std::string> file_names(const fsys::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fsys::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace peltatxt::testing
