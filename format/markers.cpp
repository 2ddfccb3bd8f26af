// markers.cpp — the marker table, line classification and header parsing, as pure functions over views.
#include "markers.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "format/rules.h"
#include "text/unicode_text.h"

namespace peltatxt {
namespace {

constexpr Text kBanner =
    u"_|PELTATXT-CMT|_*************************************\r\n"
    u"_|PELTATXT-CMT|_*** Pelta \u30C6\u30AD\u30B9\u30C8\u30C7\u30FC\u30BF\r\n"
    u"_|PELTATXT-CMT|_*** by RW_PeltaTxt ver. 1.1\r\n"
    u"_|PELTATXT-CMT|_*** \u5BFE\u5FDC Pelta \u30D0\u30FC\u30B8\u30E7\u30F3\uFF1APelta3\uFF5E\uFF1F\r\n"
    u"_|PELTATXT-CMT|_*************************************\r\n"
    u"\r\n";

// Four units as one number, the first in the low bits.
constexpr uint64_t four_units(const char16_t* u) noexcept {
    return uint64_t(u[0]) | uint64_t(u[1]) << 16 | uint64_t(u[2]) << 32 | uint64_t(u[3]) << 48;
}
uint64_t load_four_units(const char16_t* u) noexcept {
    uint64_t v;
    std::memcpy(&v, u, sizeof v);
    return std::endian::native == std::endian::little ? v : four_units(u);
}

// Every marker is the common prefix, a three-letter tag and "|", then "_" unless it is a header:
// the tag and its "|" as one number per marker, in the markers' order.
constexpr std::size_t kTagAt = kMarkerPrefix.size();
constexpr std::array<uint64_t, kMarkerCount> kTagKeys = [] {
    std::array<uint64_t, kMarkerCount> keys{};
    for (std::size_t m = 0; m < kMarkerCount; ++m) keys[m] = four_units(kMarkers[m].data() + kTagAt);
    return keys;
}();
static_assert(kTagAt + 4 == kHeaderLength && kHeaderLength + 1 == kMarkerLength);

// The marker a text begins with (ESC included, as the caller decides whether it counts);
// kMarkerCount when none. The prefix and the tag are compared as numbers, a few units at a time.
std::size_t marker_at_start(Text s) noexcept {
    constexpr uint64_t kPrefixHead = four_units(kMarkerPrefix.data());
    constexpr uint64_t kPrefixMiddle = four_units(kMarkerPrefix.data() + 4);
    constexpr uint64_t kPrefixTail = four_units(kMarkerPrefix.data() + kTagAt - 4);
    static_assert(kTagAt >= 8 && kTagAt <= 12);
    if (s.size() < kHeaderLength) return kMarkerCount;
    const char16_t* u = s.data();
    if (load_four_units(u) != kPrefixHead || load_four_units(u + 4) != kPrefixMiddle ||
        load_four_units(u + kTagAt - 4) != kPrefixTail)
        return kMarkerCount;
    uint64_t tag = load_four_units(u + kTagAt);
    for (std::size_t m = 0; m < kMarkerCount; ++m) {
        if (tag != kTagKeys[m]) continue;
        if (kMarkers[m].size() == kHeaderLength || (s.size() > kHeaderLength && s[kHeaderLength] == u'_')) return m;
        return kMarkerCount;
    }
    return kMarkerCount;
}

}  // namespace

Text banner() noexcept { return kBanner; }

Text without_line_breaks(Text s, std::u16string& scratch, bool breaks_at_end) {
    if (breaks_at_end) {
        while (!s.empty() && is_line_break(s.back())) s.remove_suffix(1);
        return s;
    }
    std::size_t k = std::min(find_line_break(s), s.size());
    std::size_t j = k;
    while (j < s.size() && is_line_break(s[j])) ++j;
    if (j == s.size()) return s.substr(0, k);
    scratch.clear();
    append_without_line_breaks(scratch, s);
    return scratch;
}

ClassifiedLine classify(Text line, std::u16string& scratch, bool breaks_at_end) {
    return classify_after_blanks(line, trim_left(line), scratch, breaks_at_end);
}

ClassifiedLine classify_after_blanks(Text line, Text rest, std::u16string& scratch, bool breaks_at_end) {
    ClassifiedLine out;
    out.raw = line;
    out.stripped = without_line_breaks(rest, scratch, breaks_at_end);
    if (out.stripped.empty() || out.stripped[0] != u'_') return out;

    std::size_t m = marker_at_start(out.stripped);
    if (m < static_cast<std::size_t>(Marker::ESC)) {
        out.marker = static_cast<Marker>(m);
    } else if (m == static_cast<std::size_t>(Marker::ESC) && rest.starts_with(kMarkers[m])) {
        // The escape marker counts only as written: one with a CR or LF inside it (left out of
        // the stripped line) is ordinary text. Otherwise what follows it is the line's text.
        out.raw = rest.substr(kMarkerLength);
        out.stripped = trim_left(out.stripped.substr(kMarkerLength));
    }
    return out;
}

Text line_after_stripped(Text line, std::size_t n) noexcept {
    Text rest = trim_left(line);
    std::size_t i = 0;
    for (std::size_t seen = 0; seen < n && i < rest.size(); ++i)
        if (!is_line_break(rest[i])) ++seen;
    return rest.substr(i);
}

bool marker_after_blanks(Text line) noexcept {
    Text rest = trim_left(line);
    if (rest.empty() || rest[0] != u'_') return false;
    char16_t head[kMarkerLength];
    std::size_t n = 0;
    for (std::size_t i = 0; i < rest.size() && n < kMarkerLength; ++i)
        if (!is_line_break(rest[i])) head[n++] = rest[i];
    return marker_at_start(Text(head, n)) != kMarkerCount;
}

FolderHeader parse_folder_header(Text stripped) noexcept {
    FolderHeader h;
    FolderFlags flags = read_folder_flags(stripped.substr(kHeaderLength));
    h.kind = flags.kind;
    std::size_t start = kHeaderLength + flags.title_start;
    std::size_t end = find_from(stripped, kTitleEnd, start);
    if (end != Text::npos && end > start) h.title = stripped.substr(start, end - start);
    return h;
}

DataHeader parse_data_header(Text stripped) noexcept {
    DataHeader h;
    std::size_t start = kHeaderLength;
    h.letterCode = letter_code_at(stripped.substr(kHeaderLength));
    if (h.letterCode) start += 2;
    std::size_t end = find_from(stripped, kTitleEnd, start);
    if (end == Text::npos) return h;
    h.terminated = true;
    if (end > start) h.title = stripped.substr(start, end - start);
    h.rest = stripped.substr(end + kTitleEnd.size());
    return h;
}

}  // namespace peltatxt
