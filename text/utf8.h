// utf8.h — UTF-16 code units to UTF-8 and back, for file names on POSIX and for the tools' texts, and UTF-16 text by code point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace peltatxt {

constexpr bool is_high_surrogate(char32_t c) noexcept { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool is_low_surrogate(char32_t c) noexcept { return c >= 0xDC00 && c <= 0xDFFF; }

// One code point of UTF-16 text: a character, from a surrogate pair when it takes two units, or
// a lone surrogate (a U+D800..U+DFFF unit without its partner), which value then holds.
struct CodePoint {
    char32_t value;
    std::size_t at;     // the offset of its first unit in the text
    std::size_t units;  // 1, or 2 for a pair
    bool lone;
};

// The code point whose first unit is text[at], at < text.size().
constexpr CodePoint code_point_at(std::u16string_view text, std::size_t at) noexcept {
    char32_t c = text[at];
    if (is_high_surrogate(c) && at + 1 < text.size() && is_low_surrogate(text[at + 1]))
        return {0x10000 + ((c - 0xD800) << 10) + (text[at + 1] - 0xDC00u), at, 2, false};
    return {c, at, 1, is_high_surrogate(c) || is_low_surrogate(c)};
}

// The code points of a UTF-16 text in order, for a range-for loop.
class CodePoints {
public:
    constexpr explicit CodePoints(std::u16string_view text) noexcept : text_(text) {}
    class iterator {
    public:
        constexpr iterator(std::u16string_view text, std::size_t at) noexcept : text_(text), at_(at) {}
        constexpr CodePoint operator*() const noexcept { return code_point_at(text_, at_); }
        constexpr iterator& operator++() noexcept {
            at_ += code_point_at(text_, at_).units;
            return *this;
        }
        constexpr bool operator!=(const iterator& other) const noexcept { return at_ != other.at_; }

    private:
        std::u16string_view text_;
        std::size_t at_;
    };
    constexpr iterator begin() const noexcept { return {text_, 0}; }
    constexpr iterator end() const noexcept { return {text_, text_.size()}; }

private:
    std::u16string_view text_;
};

// One sequence of UTF-8 bytes at s[at], at < s.size(): the code point it encodes and how many
// bytes it takes; or, for bytes that are no UTF-8 there (a stray or truncated sequence, an
// overlong form, a value past U+10FFFF), valid false and the one byte. A surrogate's three
// bytes give its value, which each caller takes or refuses.
struct Utf8Point {
    char32_t value;
    std::size_t bytes;
    bool valid;
};
inline Utf8Point utf8_point_at(std::string_view s, std::size_t at) noexcept {
    static constexpr uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    auto b = static_cast<unsigned char>(s[at]);
    std::size_t len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    uint32_t c = len == 1 ? b : len == 2 ? b & 0x1F : len == 3 ? b & 0x0F : b & 0x07;
    bool ok = len != 0 && at + len <= s.size();
    for (std::size_t k = 1; ok && k < len; ++k) {
        auto next = static_cast<unsigned char>(s[at + k]);
        ok = (next & 0xC0) == 0x80;
        c = (c << 6) | (next & 0x3F);
    }
    if (!ok || c < kMin[len] || c > 0x10FFFF) return {b, 1, false};
    return {c, len, true};
}

// What becomes of a lone surrogate (a U+D800..U+DFFF unit without its partner), which UTF-8
// cannot carry as a character.
enum class LoneSurrogates : uint8_t {
    Fail,     // the conversion fails: no file name can hold one
    Replace,  // U+FFFD stands in for it
    Keep,     // it takes the three bytes its value would take as a character (ED A0 80 for U+D800),
              // and those bytes give it back: lossless, and never mistaken for valid UTF-8
};

// Appends the UTF-8 form of s to out. False only with LoneSurrogates::Fail, at a lone surrogate.
inline bool append_utf8(std::string& out, std::u16string_view s, LoneSurrogates lone) {
    out.reserve(out.size() + s.size() * 3);
    for (CodePoint point : CodePoints(s)) {
        uint32_t c = point.value;
        if (point.lone && lone == LoneSurrogates::Fail) return false;
        if (point.lone && lone == LoneSurrogates::Replace) c = 0xFFFD;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return true;
}

// Appends the UTF-16 units of the UTF-8 text s to out. A byte sequence that is not UTF-8
// (a stray or truncated sequence, an overlong form, a value past U+10FFFF, or a surrogate's
// three bytes unless lone is Keep) becomes U+FFFD with Replace, one for each byte it starts at;
// otherwise the conversion fails there, and bad_at (when given) holds that sequence's offset.
inline bool append_utf16(std::u16string& out, std::string_view s, LoneSurrogates lone,
                         std::size_t* bad_at = nullptr) {
    out.reserve(out.size() + s.size());
    for (std::size_t i = 0; i < s.size();) {
        Utf8Point point = utf8_point_at(s, i);
        uint32_t c = point.value;
        bool surrogate = is_high_surrogate(c) || is_low_surrogate(c);
        if (!point.valid || (surrogate && lone != LoneSurrogates::Keep)) {
            if (lone != LoneSurrogates::Replace) {
                if (bad_at) *bad_at = i;
                return false;
            }
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
        i += point.bytes;
    }
    return true;
}

// A file name in UTF-16 from UTF-8, for the file layer: nothing when the bytes are no UTF-8 (a
// surrogate's three bytes included), as no file name could be read or written under another name.
inline std::optional<std::u16string> file_name_utf16(std::string_view s) {
    std::u16string out;
    if (!append_utf16(out, s, LoneSurrogates::Fail)) return std::nullopt;
    return out;
}

}  // namespace peltatxt
