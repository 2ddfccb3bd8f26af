// code_page.cpp — code page 932 to UTF-16 through iconv (POSIX) or MultiByteToWideChar (Windows).
#include "code_page.h"

#include <climits>

#include "failure.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace peltatxt::cli {

#ifdef _WIN32

std::optional<std::u16string> units_of_cp932(std::string_view bytes, std::size_t* bad_at) {
    if (bad_at) *bad_at = kUnknownPlace;
    if (bytes.empty()) return std::u16string();
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
    int in = static_cast<int>(bytes.size());
    int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), in, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::u16string out(static_cast<std::size_t>(n), u'\0');
    if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), in, reinterpret_cast<wchar_t*>(out.data()), n) != n)
        return std::nullopt;
    return out;
}

#else

namespace {

// One conversion descriptor, closed when done.
class Converter {
public:
    Converter() : cd_(iconv_open("UTF-16LE", "CP932")) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw Failure("this system's iconv cannot convert code page 932 (CP932)");
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

}  // namespace

std::optional<std::u16string> units_of_cp932(std::string_view bytes, std::size_t* bad_at) {
    Converter converter;
    std::u16string out;
    char* in = const_cast<char*>(bytes.data());
    std::size_t in_left = bytes.size();
    char16_t piece[4096];
    while (in_left > 0) {
        char* to = reinterpret_cast<char*>(piece);
        std::size_t to_left = sizeof piece;
        std::size_t r = iconv(converter.get(), &in, &in_left, &to, &to_left);
        std::size_t units = (sizeof piece - to_left) / sizeof(char16_t);
        for (std::size_t k = 0; k < units; ++k) {  // UTF-16LE bytes to units, whatever the host's order
            const unsigned char* b = reinterpret_cast<const unsigned char*>(piece + k);
            out += static_cast<char16_t>(b[0] | b[1] << 8);
        }
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {  // EILSEQ, or EINVAL: a cut sequence at the end
            if (bad_at) *bad_at = static_cast<std::size_t>(in - bytes.data());
            return std::nullopt;
        }
    }
    return out;
}

#endif

}  // namespace peltatxt::cli
