// unicode_text.cpp — the out-of-line string helpers: fast unit scans, line-break removal, decimal numbers, widening.
#include "unicode_text.h"

#include <bit>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

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

namespace unit_search {

std::size_t portable(Text s, char16_t a, char16_t b, std::size_t from) noexcept {
    for (; from < s.size(); ++from)
        if (s[from] == a || s[from] == b) return from;
    return Text::npos;
}

#if defined(__SSE2__) || defined(_M_X64)
// Two runs of 8 units per step, one test of both compares' bit masks; the position comes from the
// mask, not from a walk unit by unit. The last units (fewer than 16) go one by one.
std::size_t vector(Text s, char16_t a, char16_t b, std::size_t from) noexcept {
    if (from >= s.size()) return Text::npos;
    const __m128i want_a = _mm_set1_epi16(static_cast<short>(a));
    const __m128i want_b = _mm_set1_epi16(static_cast<short>(b));
    const char16_t* data = s.data();
    for (; from + 16 <= s.size(); from += 16) {
        __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from));
        __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from + 8));
        __m128i hit_lo = _mm_or_si128(_mm_cmpeq_epi16(lo, want_a), _mm_cmpeq_epi16(lo, want_b));
        __m128i hit_hi = _mm_or_si128(_mm_cmpeq_epi16(hi, want_a), _mm_cmpeq_epi16(hi, want_b));
        __m128i hits = _mm_packs_epi16(hit_lo, hit_hi);  // one byte per unit, 0 or -1
        if (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits))) return from + std::countr_zero(mask);
    }
    return portable(s, a, b, from);
}
#else
std::size_t vector(Text s, char16_t a, char16_t b, std::size_t from) noexcept { return portable(s, a, b, from); }
#endif

}  // namespace unit_search

std::size_t find_unit(Text s, char16_t c, std::size_t from) noexcept { return unit_search::vector(s, c, c, from); }

std::size_t find_line_break(Text s, std::size_t from) noexcept {
    return unit_search::vector(s, u'\r', u'\n', from);
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
