// unicode_text.h — the format's whitespace class, trimming, searching and decimal numbers over UTF-16 views.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <string>
#include <string_view>

namespace peltatxt {

using Text = std::u16string_view;

// Below U+0100 exactly TAB, LF, VT, FF, CR and SPACE (U+00A0 is not whitespace); from U+0100 up the
// Unicode White_Space property: U+1680, U+2000..U+200A, U+2028, U+2029, U+202F, U+205F, U+3000.
// Tested without branches: text mixes scripts, so a branch on the unit's range would often be
// guessed wrong. Each bit of a mask stands for one unit of a range of 64.
constexpr bool is_space(char16_t c) noexcept {
    constexpr uint64_t kLatin = 1ull << 0x20 | 0x3E00;  // SPACE, and TAB..CR: units 0x00..0x3F
    constexpr uint64_t kGeneral = 0x7FF | 1ull << 0x28 | 1ull << 0x29 | 1ull << 0x2F;  // 0x2000..0x203F
    unsigned general = c - 0x2000u;  // wraps round for units below U+2000
    bool latin = (c < 0x40) & ((kLatin >> (c & 63)) & 1);
    bool punctuation = (general < 0x40) & ((kGeneral >> (general & 63)) & 1);
    return latin | punctuation | (c == 0x205F) | (c == 0x1680) | (c == 0x3000);
}

constexpr bool is_line_break(char16_t c) noexcept { return c == u'\r' || c == u'\n'; }

constexpr Text trim_left(Text s) noexcept {
    std::size_t i = 0;
    while (i < s.size() && is_space(s[i])) ++i;
    s.remove_prefix(i);  // not substr: its range check and throw path keep it out of line
    return s;
}

constexpr Text trim_right(Text s) noexcept {
    std::size_t n = s.size();
    while (n > 0 && is_space(s[n - 1])) --n;
    s.remove_suffix(s.size() - n);
    return s;
}

constexpr Text trim(Text s) noexcept { return trim_right(trim_left(s)); }

// Position of the first occurrence of needle at or after from, or npos (also when from is past the end).
constexpr std::size_t find_from(Text s, Text needle, std::size_t from) noexcept {
    return from > s.size() ? Text::npos : s.find(needle, from);
}

// a == b, by one memory compare (or none, for two views of the same units) where not evaluated
// at compile time; char16_t's own compare goes unit by unit.
constexpr bool same_units(Text a, Text b) noexcept {
    if (a.size() != b.size()) return false;
    if (std::is_constant_evaluated()) return a == b;
    return a.empty() || a.data() == b.data() || std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0;
}

constexpr bool contains_unit(Text s, char16_t c) noexcept { return s.find(c) != Text::npos; }

// Position of the first c at or after from, or npos; and of the first CR or LF. Both compare 16
// units at a time where the processor can: the scans over whole lines and texts that import and
// export make.
std::size_t find_unit(Text s, char16_t c, std::size_t from = 0) noexcept;
std::size_t find_line_break(Text s, std::size_t from = 0) noexcept;
// Position of the first CR or LF or of the first a directly followed by b, whichever comes first,
// or npos: one pass for what a single-line field must not hold, a line break or a terminator.
std::size_t find_line_break_or_pair(Text s, char16_t a, char16_t b) noexcept;

// The two ways those scans run, public so that one test can run both over the same inputs: with
// SSE2 vector compares where the target has them (every x86-64 and the Windows build), and unit by
// unit everywhere. Each gives the first position at or after from whose unit is a or b, or npos;
// the vector one is the unit-by-unit one where there are no vectors.
namespace unit_search {
std::size_t vector(Text s, char16_t a, char16_t b, std::size_t from) noexcept;
std::size_t portable(Text s, char16_t a, char16_t b, std::size_t from) noexcept;
// The same two ways for find_line_break_or_pair.
std::size_t break_or_pair_vector(Text s, char16_t a, char16_t b) noexcept;
std::size_t break_or_pair_portable(Text s, char16_t a, char16_t b) noexcept;
}  // namespace unit_search

// The positions of one unit in a text, one after another: what find_unit from just past each
// position gives, but in one pass over the text, 16 units at a time where find_unit is vector.
class UnitScanner {
public:
    UnitScanner(Text s, char16_t c) noexcept : s_(s), c_(c) {}
    // The next position of the unit, or npos once there is none.
    std::size_t next() noexcept;

private:
    Text s_;
    char16_t c_;
    std::size_t block_ = 0;  // the first unit not yet searched
    std::size_t base_ = 0;   // the unit that bit 0 of hits_ stands for
    unsigned hits_ = 0;      // positions found and not yet handed out, a bit per unit from base_
};

// Appends s with every CR and LF left out.
void append_without_line_breaks(std::u16string& out, Text s);

// Signed decimal form of a 32-bit integer: a minus sign for negatives, no leading zeros.
std::u16string decimal(int32_t value);

// ASCII/Latin-1 literal as UTF-16, for building constant texts.
std::u16string widen(std::string_view latin1);

}  // namespace peltatxt
