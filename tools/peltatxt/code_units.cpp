// code_units.cpp — units UTF-8: UTF-16 code units, lone surrogates included, to 8-bit text and back.
#include "code_units.h"

#include <cstdint>

namespace peltatxt::cli {

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
    for (CodePoint point : CodePoints(text))
        if (point.lone) return point.at;
    return std::nullopt;
}

std::optional<char16_t> lone_surrogate_at(std::string_view bytes, std::size_t at) {
    if (at >= bytes.size()) return std::nullopt;
    Utf8Point point = utf8_point_at(bytes, at);
    if (!point.valid || !(is_high_surrogate(point.value) || is_low_surrogate(point.value))) return std::nullopt;
    return static_cast<char16_t>(point.value);
}

std::string unit_escape(char16_t unit) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 15];
    return out;
}

}  // namespace peltatxt::cli
