// unicode_text.cpp — the out-of-line string helpers: line-break removal, decimal numbers, widening.
#include "unicode_text.h"

namespace peltatxt {

void append_without_line_breaks(std::u16string& out, Text s) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == u'\r' || s[i] == u'\n') {
            out.append(s.substr(start, i - start));
            start = i + 1;
        }
    }
    out.append(s.substr(start));
}

std::u16string decimal(int32_t value) {
    char16_t digits[12];
    int n = 0;
    // Work on the magnitude as unsigned so that INT32_MIN has no overflow.
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do {
        digits[n++] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    std::u16string out;
    out.reserve(static_cast<std::size_t>(n) + 1);
    if (value < 0) out.push_back(u'-');
    while (n > 0) out.push_back(digits[--n]);
    return out;
}

std::u16string widen(std::string_view latin1) {
    std::u16string out(latin1.size(), u'\0');
    for (std::size_t i = 0; i < latin1.size(); ++i) out[i] = static_cast<unsigned char>(latin1[i]);
    return out;
}

}  // namespace peltatxt
