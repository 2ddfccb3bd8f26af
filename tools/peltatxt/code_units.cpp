// code_units.cpp — units UTF-8: UTF-16 code units, lone surrogates included, to 8-bit text and back.
#include "code_units.h"

#include <cstdint>

#include "text/utf8.h"

namespace peltatxt::cli {

bool is_high_surrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low_surrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::string units_utf8(std::u16string_view text) {
    std::string out;
    append_utf8(out, text, LoneSurrogates::Keep);
    return out;
}

std::optional<std::u16string> units_of_utf8(std::string_view s, std::size_t* bad_at) {
    std::u16string out;
    if (!append_utf16(out, s, LoneSurrogates::Keep, bad_at)) return std::nullopt;
    return out;
}

std::optional<std::size_t> first_lone_surrogate(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (is_high_surrogate(text[i]) && i + 1 < text.size() && is_low_surrogate(text[i + 1]))
            ++i;
        else if (is_high_surrogate(text[i]) || is_low_surrogate(text[i]))
            return i;
    }
    return std::nullopt;
}

std::optional<char16_t> lone_surrogate_at(std::string_view bytes, std::size_t at) {
    if (at + 3 > bytes.size() || static_cast<unsigned char>(bytes[at]) != 0xED) return std::nullopt;
    auto b1 = static_cast<unsigned char>(bytes[at + 1]), b2 = static_cast<unsigned char>(bytes[at + 2]);
    if (b1 < 0xA0 || b1 > 0xBF || (b2 & 0xC0) != 0x80) return std::nullopt;
    return static_cast<char16_t>(0xD000 | ((b1 & 0x3F) << 6) | (b2 & 0x3F));
}

std::string unit_escape(char16_t unit) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 15];
    return out;
}

}  // namespace peltatxt::cli
