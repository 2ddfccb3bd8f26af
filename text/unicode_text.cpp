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

std::size_t break_or_pair_portable(Text s, char16_t a, char16_t b) noexcept {
    for (std::size_t i = 0; i < s.size(); ++i)
        if (s[i] == u'\r' || s[i] == u'\n' || (s[i] == a && i + 1 < s.size() && s[i + 1] == b)) return i;
    return Text::npos;
}

#if defined(__SSE2__) || defined(_M_X64)
namespace {
// The units of v that are a or b (with one, only a is compared: the search for a single unit).
template <bool kOne>
__m128i equal(__m128i v, __m128i a, __m128i b) noexcept {
    if constexpr (kOne) return _mm_cmpeq_epi16(v, a);
    return _mm_or_si128(_mm_cmpeq_epi16(v, a), _mm_cmpeq_epi16(v, b));
}
// One bit per unit of the 16 units at p that are a or b.
template <bool kOne>
unsigned hits16(const char16_t* p, __m128i a, __m128i b) noexcept {
    __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(equal<kOne>(lo, a, b), equal<kOne>(hi, a, b))));
}
// Two bits per unit of the 8 units at p that are a or b.
template <bool kOne>
unsigned hits8(const char16_t* p, __m128i a, __m128i b) noexcept {
    return static_cast<unsigned>(_mm_movemask_epi8(equal<kOne>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), a, b)));
}
struct BreakOrPair {
    __m128i cr = _mm_set1_epi16(u'\r'), lf = _mm_set1_epi16(u'\n'), a, b;
    // Two bits per unit of the 8 units at p that are CR or LF, or a with b after it (p[8] is read).
    unsigned hits8(const char16_t* p) const noexcept {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
        __m128i breaks = _mm_or_si128(_mm_cmpeq_epi16(v, cr), _mm_cmpeq_epi16(v, lf));
        __m128i pairs = _mm_and_si128(_mm_cmpeq_epi16(v, a), _mm_cmpeq_epi16(next, b));
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(breaks, pairs)));
    }
};
}  // namespace

// Two runs of 8 units per step, one test of both compares' bit masks; the position comes from the
// mask, not from a walk unit by unit. The last units of a run of 16 or more are one more step of
// 16 that ends at the end (overlapping the one before it); a shorter run takes a step of 8 the
// same way, and only a run of fewer than 8 goes unit by unit. No load reaches past the view. A
// search for one unit (a == b) compares each step once.
template <bool kOne>
std::size_t search(Text s, char16_t a, char16_t b, std::size_t from) noexcept {
    const std::size_t n = s.size();
    if (from >= n) return Text::npos;
    const __m128i want_a = _mm_set1_epi16(static_cast<short>(a));
    const __m128i want_b = _mm_set1_epi16(static_cast<short>(b));
    const char16_t* data = s.data();
    if (n - from >= 16) {
        for (; from + 16 <= n; from += 16)
            if (unsigned mask = hits16<kOne>(data + from, want_a, want_b)) return from + std::countr_zero(mask);
        if (from == n) return Text::npos;
        std::size_t last = n - 16;  // a step that ends at the end; its units before from are done
        unsigned mask = hits16<kOne>(data + last, want_a, want_b) >> (from - last);
        return mask ? from + std::countr_zero(mask) : Text::npos;
    }
    if (n - from >= 8) {
        if (unsigned mask = hits8<kOne>(data + from, want_a, want_b)) return from + std::countr_zero(mask) / 2;
        from += 8;
        if (from == n) return Text::npos;
        std::size_t last = n - 8;
        unsigned mask = hits8<kOne>(data + last, want_a, want_b) >> (2 * (from - last));
        return mask ? from + std::countr_zero(mask) / 2 : Text::npos;
    }
    return portable(s, a, b, from);
}

std::size_t vector(Text s, char16_t a, char16_t b, std::size_t from) noexcept {
    return a == b ? search<true>(s, a, b, from) : search<false>(s, a, b, from);
}

// Steps of 8 units, each with the unit after them, so that a pair across two steps is seen; the
// last units take one step that ends just before the last unit, which can only be a line break.
std::size_t break_or_pair_vector(Text s, char16_t a, char16_t b) noexcept {
    const std::size_t n = s.size();
    if (n < 9) return break_or_pair_portable(s, a, b);
    const BreakOrPair want{.a = _mm_set1_epi16(static_cast<short>(a)), .b = _mm_set1_epi16(static_cast<short>(b))};
    const char16_t* data = s.data();
    std::size_t at = 0;
    for (; at + 9 <= n; at += 8)
        if (unsigned mask = want.hits8(data + at)) return at + std::countr_zero(mask) / 2;
    std::size_t last = n - 9;  // its units before at are done
    if (unsigned mask = want.hits8(data + last) >> (2 * (at - last))) return at + std::countr_zero(mask) / 2;
    return data[n - 1] == u'\r' || data[n - 1] == u'\n' ? n - 1 : Text::npos;
}
#else
std::size_t vector(Text s, char16_t a, char16_t b, std::size_t from) noexcept { return portable(s, a, b, from); }
std::size_t break_or_pair_vector(Text s, char16_t a, char16_t b) noexcept { return break_or_pair_portable(s, a, b); }
#endif

}  // namespace unit_search

std::size_t UnitScanner::next() noexcept {
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i want = _mm_set1_epi16(static_cast<short>(c_));
    while (hits_ == 0 && block_ + 16 <= s_.size()) {
        hits_ = unit_search::hits16<true>(s_.data() + block_, want, want);
        base_ = block_;
        block_ += 16;
    }
#endif
    if (hits_ != 0) {
        std::size_t at = base_ + static_cast<std::size_t>(std::countr_zero(hits_));
        hits_ &= hits_ - 1;
        return at;
    }
    std::size_t at = unit_search::portable(s_, c_, c_, block_);  // the last units, fewer than 16
    block_ = at == Text::npos ? s_.size() : at + 1;
    return at;
}

std::size_t find_unit(Text s, char16_t c, std::size_t from) noexcept { return unit_search::vector(s, c, c, from); }

std::size_t find_line_break(Text s, std::size_t from) noexcept {
    return unit_search::vector(s, u'\r', u'\n', from);
}

std::size_t find_line_break_or_pair(Text s, char16_t a, char16_t b) noexcept {
    return unit_search::break_or_pair_vector(s, a, b);
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
