// carryable.cpp — the carryability rules, written from the reader's parsing of each line form.
#include "carryable.h"

#include "text/unicode_text.h"

namespace peltatxt::fuzz {
namespace {

using Text = std::u16string_view;
constexpr Text kCodeLetters = u"DERSCPK";

bool one_line(Text s) { return s.find_first_of(u"\r\n") == Text::npos; }
bool is_code_letter(char16_t c) { return kCodeLetters.find(c) != Text::npos; }

// A data header (DAT or SDT) gives this title back.
bool header_title(Text title, int8_t code) {
    if (title.empty() || !one_line(title) || title.find(u"|_") != Text::npos) return false;
    if (code == 0 && is_code_letter(title[0]) && (title.size() == 1 || title[1] == u'|')) return false;
    return true;
}

// A bare line in one of the three modes gives this title and text back.
bool bare_entry(Text title, Text data, int8_t code) {
    if (code != 0 || title.empty() || !one_line(title) || trim(title) != title) return false;
    if (data == title) return true;  // mode TRM
    if (trim(data) != title) return false;
    if (one_line(data)) return true;  // mode DNL
    std::size_t lf = data.find(u'\n');
    return lf + 1 == data.size();  // mode NTR: one line ending in its only LF
}

// The header of a folder, after its marker: flags, title, terminator. The reader takes "H|" and
// "O|" as flags wherever they first occur within the first three units.
bool folder_title(Text title, uint8_t kind) {
    if (title.empty() || !one_line(title) || title.find(u"|_") != Text::npos) return false;
    bool h = (kind & 0x0C) == 0x08, o = (kind & 0x10) != 0;
    std::u16string line;
    if (h) line += u"H|";
    if (o) line += u"O|";
    line += title;
    line += u"|_";
    std::size_t at_h = line.find(u"H|"), at_o = line.find(u"O|");
    bool h_ok = h ? at_h == 0 : (at_h == Text::npos || at_h > 2);
    bool o_ok = o ? at_o == (h ? 2u : 0u) : (at_o == Text::npos || at_o > 2);
    return h_ok && o_ok;
}

}  // namespace

bool carryable_prefixed(Text text, bool trimmed_lines) {
    if (text.empty()) return true;
    std::size_t start = 0;
    for (bool first = true;; first = false) {
        std::size_t cr = text.find(u'\r', start), lf = text.find(u'\n', start);
        std::size_t end = cr < lf ? cr : lf;  // the first line break unit of this line
        Text line = text.substr(start, end == Text::npos ? Text::npos : end - start);
        if (first && line.empty()) return false;
        if (trimmed_lines && trim_right(line) != line) return false;
        if (line.size() > kCarryLimit) return false;
        if (end == Text::npos) return true;
        if (text.substr(end, 2) != u"\r\n") return false;
        start = end + 2;
    }
}

bool carryable(const host::Record& r, std::size_t depth) {
    Text title = r.title, data = r.data, macro = r.macro;
    if (depth > kCarryLimit || title.size() > kCarryLimit || data.size() > kCarryLimit) return false;
    if (!carryable_prefixed(macro, false)) return false;
    if (r.kind & 0x0C) {
        bool kind_ok = r.kind == 0x04 || r.kind == 0x08 || r.kind == 0x14 || r.kind == 0x18;
        return kind_ok && r.letterCode == 0 && folder_title(title, r.kind) && carryable_prefixed(data, true);
    }
    if ((r.kind != 1 && r.kind != 2) || r.letterCode < 0 || r.letterCode > 7) return false;
    if (title.empty() && data.empty()) return !macro.empty();
    return header_title(title, r.letterCode) || bare_entry(title, data, r.letterCode);
}

}  // namespace peltatxt::fuzz
