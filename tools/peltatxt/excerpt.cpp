// excerpt.cpp — cutting a text to a few characters and escaping what a terminal line cannot show.
#include "excerpt.h"

#include <cstdint>

#include "code_units.h"

namespace peltatxt::cli {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

// One piece of a text: a character, a lone surrogate's three bytes, or a byte that is not UTF-8.
struct Piece {
    enum class What { Character, Lone, Stray } what;
    std::size_t bytes;  // how many bytes of the text it takes
    char32_t value;     // the code point, the unit, or the byte
    std::size_t units() const { return what == What::Character && value >= 0x10000 ? 2 : 1; }
};

Piece piece_at(std::string_view s, std::size_t at) {
    auto b = static_cast<unsigned char>(s[at]);
    if (b < 0x80) return {Piece::What::Character, 1, b};
    if (std::optional<char16_t> unit = lone_surrogate_at(s, at)) return {Piece::What::Lone, 3, *unit};
    Utf8Point point = utf8_point_at(s, at);  // valid here: a character, no surrogate
    if (point.valid) return {Piece::What::Character, point.bytes, point.value};
    return {Piece::What::Stray, 1, b};
}

void put_escaped(std::string& out, std::string_view s, std::size_t at, const Piece& p, bool in_double_quotes) {
    if (p.what == Piece::What::Lone) {
        out += unit_escape(static_cast<char16_t>(p.value));
        return;
    }
    if (p.what == Piece::What::Stray) {
        out += "\\x";
        out += kHex[p.value >> 4];
        out += kHex[p.value & 15];
        return;
    }
    switch (p.value) {
        case '\r': out += "\\r"; return;
        case '\n': out += "\\n"; return;
        case '\t': out += "\\t"; return;
        default: break;
    }
    if (in_double_quotes && (p.value == '"' || p.value == '\\')) {
        out += '\\';
        out += static_cast<char>(p.value);
        return;
    }
    if (p.value < 0x20 || p.value == 0x7F || (p.value >= 0x80 && p.value < 0xA0)) {
        out += "\\u00";
        out += kHex[p.value >> 4];
        out += kHex[p.value & 15];
        return;
    }
    out.append(s.substr(at, p.bytes));
}

std::string excerpt_of(std::string_view bytes, std::size_t max_units, Keep keep, bool in_double_quotes) {
    std::size_t from = 0, to = bytes.size();
    bool cut = false;
    if (keep == Keep::Start) {
        std::size_t units = 0, at = 0;
        bool last_is_high = false;
        while (at < bytes.size()) {
            Piece p = piece_at(bytes, at);
            if (units + p.units() > max_units) {
                cut = true;
                break;
            }
            units += p.units();
            last_is_high = p.what == Piece::What::Lone && is_high_surrogate(p.value);
            at += p.bytes;
        }
        // As a cut of UTF-16 text does, a high surrogate in the last place goes with what was cut.
        if (cut && last_is_high && units == max_units) at -= 3;
        to = at;
    } else {
        std::size_t total = 0;
        for (std::size_t at = 0; at < bytes.size();) {
            Piece p = piece_at(bytes, at);
            total += p.units();
            at += p.bytes;
        }
        while (total > max_units && from < bytes.size()) {
            Piece p = piece_at(bytes, from);
            total -= p.units();
            from += p.bytes;
            cut = true;
        }
    }
    std::string out;
    if (cut && keep == Keep::End) out += "...";
    for (std::size_t at = from; at < to;) {
        Piece p = piece_at(bytes, at);
        put_escaped(out, bytes, at, p, in_double_quotes);
        at += p.bytes;
    }
    if (cut && keep == Keep::Start) out += "...";
    return out;
}

}  // namespace

std::string excerpt(std::string_view bytes, std::size_t max_units, Keep keep) {
    return excerpt_of(bytes, max_units, keep, false);
}

std::string quoted_excerpt(std::string_view bytes, std::size_t max_units) {
    // Appended, not "\"" + ...: GCC 12 sees a false overlap in that insert at -O3 (-Wrestrict).
    std::string out = "\"";
    out += excerpt_of(bytes, max_units, Keep::Start, true);
    out += '"';
    return out;
}

}  // namespace peltatxt::cli
