// markers.cpp — the marker table, line classification and header parsing, as pure functions over views.
#include "markers.h"

#include <algorithm>

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

// The marker a text begins with, tested in the reader's order (ESC last, as the caller decides
// whether it counts); kMarkerCount when none. Every marker is the common prefix followed by its
// tag and end, and none begins another, so past the prefix only tags and ends are compared.
std::size_t marker_at_start(Text s) noexcept {
    if (s.size() < kHeaderLength || !std::equal(kMarkerPrefix.begin(), kMarkerPrefix.end(), s.begin()))
        return kMarkerCount;
    Text rest = s.substr(kMarkerPrefix.size());
    for (std::size_t m = 0; m < kMarkerCount; ++m) {
        Text tail = kMarkers[m].substr(kMarkerPrefix.size());
        if (rest[0] == tail[0] && rest.starts_with(tail)) return m;
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
    ClassifiedLine out;
    Text rest = trim_left(line);
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
