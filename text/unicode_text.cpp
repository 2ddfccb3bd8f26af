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

namespace {

#if defined(__SSE2__) || defined(_M_X64)
// The first position at or after from, among whole runs of 8 units, whose unit equals a or b; npos
// when none does. Sets from to where the runs end. One compare per run, and the position comes
// from the compare's bit mask: no walk unit by unit.
std::size_t find_in_runs(Text s, char16_t a, char16_t b, std::size_t& from) noexcept {
    const __m128i want_a = _mm_set1_epi16(static_cast<short>(a));
    const __m128i want_b = _mm_set1_epi16(static_cast<short>(b));
    for (; from + 8 <= s.size(); from += 8) {
        __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + from));
        __m128i hits = _mm_or_si128(_mm_cmpeq_epi16(units, want_a), _mm_cmpeq_epi16(units, want_b));
        if (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits))) return from + std::countr_zero(mask) / 2;
    }
    return Text::npos;
}
#else
std::size_t find_in_runs(Text, char16_t, char16_t, std::size_t&) noexcept { return Text::npos; }
#endif

// The first position at or after from whose unit equals a or b, or npos.
std::size_t find_either(Text s, char16_t a, char16_t b, std::size_t from) noexcept {
    if (from >= s.size()) return Text::npos;
    std::size_t at = find_in_runs(s, a, b, from);
    if (at != Text::npos) return at;
    for (; from < s.size(); ++from)
        if (s[from] == a || s[from] == b) return from;
    return Text::npos;
}

}  // namespace

std::size_t find_unit(Text s, char16_t c, std::size_t from) noexcept { return find_either(s, c, c, from); }

std::size_t find_line_break(Text s, std::size_t from) noexcept { return find_either(s, u'\r', u'\n', from); }

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
