// utf8.h — UTF-16 code units to UTF-8 and back, for file names on POSIX and for the tools' texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace peltatxt {

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
    for (std::size_t i = 0; i < s.size(); ++i) {
        uint32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDFFF) {
            if (c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00u);
            } else if (lone == LoneSurrogates::Fail) {
                return false;
            } else if (lone == LoneSurrogates::Replace) {
                c = 0xFFFD;
            }
        }
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
    static constexpr uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    out.reserve(out.size() + s.size());
    for (std::size_t i = 0; i < s.size();) {
        auto b = static_cast<unsigned char>(s[i]);
        uint32_t c = 0;
        std::size_t len = 0;
        if (b < 0x80) {
            c = b;
            len = 1;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            len = 4;
        }
        bool ok = len != 0 && i + len <= s.size();
        for (std::size_t k = 1; ok && k < len; ++k) {
            auto cb = static_cast<unsigned char>(s[i + k]);
            if ((cb & 0xC0) != 0x80)
                ok = false;
            else
                c = (c << 6) | (cb & 0x3F);
        }
        ok = ok && c >= kMin[len] && c <= 0x10FFFF && (lone == LoneSurrogates::Keep || c < 0xD800 || c > 0xDFFF);
        if (!ok) {
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
        i += len;
    }
    return true;
}

}  // namespace peltatxt
