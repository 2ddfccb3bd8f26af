// records.cpp — kind names, letter codes, and folder nesting of a flat record list by position.
#include "records.h"

namespace peltatxt::cli {
namespace {

struct KindName {
    uint8_t kind;
    const char* name;
};
constexpr KindName kKindNames[] = {
    {PELTATXT_KIND_ONE_TIME, "one-time"},
    {PELTATXT_KIND_LOCKED, "locked"},
    {PELTATXT_KIND_FOLDER, "folder"},
    {PELTATXT_KIND_FOLDER_H, "folder H"},
    {PELTATXT_KIND_FOLDER | PELTATXT_KIND_FOLDER_O, "folder O"},
    {PELTATXT_KIND_FOLDER_H | PELTATXT_KIND_FOLDER_O, "folder H O"},
};
constexpr std::string_view kCodeLetters = "DERSCPK";

}  // namespace

std::optional<std::string> kind_name(uint8_t kind) {
    for (const KindName& k : kKindNames)
        if (k.kind == kind) return std::string(k.name);
    return std::nullopt;
}

std::optional<uint8_t> kind_of_name(std::string_view name) {
    for (const KindName& k : kKindNames)
        if (name == k.name) return k.kind;
    return std::nullopt;
}

char code_letter(int8_t letterCode) {
    return letterCode >= 1 && letterCode <= 7 ? kCodeLetters[static_cast<std::size_t>(letterCode - 1)] : 0;
}

int8_t letter_code_of(std::string_view letter) {
    if (letter.size() != 1) return 0;
    std::size_t at = kCodeLetters.find(letter[0]);
    return at == std::string_view::npos ? 0 : static_cast<int8_t>(at + 1);
}

std::string quoted(std::u16string_view text, std::size_t max_units) {
    std::u16string shown;
    bool cut = text.size() > max_units;
    if (cut) {
        std::size_t n = max_units;
        if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;  // keep surrogate pairs whole
        text = text.substr(0, n);
    }
    for (char16_t c : text) {
        switch (c) {
            case u'\r':
                shown += u"\\r";
                break;
            case u'\n':
                shown += u"\\n";
                break;
            case u'\t':
                shown += u"\\t";
                break;
            case u'"':
                shown += u"\\\"";
                break;
            case u'\\':
                shown += u"\\\\";
                break;
            default:
                if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) {
                    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
                    shown += u"\\u00";
                    shown += kHex[c >> 4];
                    shown += kHex[c & 15];
                } else {
                    shown += c;
                }
        }
    }
    std::string out = "\"";
    out += host::to_utf8(shown);
    out += cut ? "...\"" : "\"";
    return out;
}

std::vector<std::ptrdiff_t> parent_positions(const Records& records) {
    std::vector<std::ptrdiff_t> parents(records.size(), kTopLevel);
    std::vector<std::size_t> open;  // positions of the open folders, innermost last
    for (std::size_t i = 0; i < records.size(); ++i) {
        while (!open.empty() && records[open.back()].id != records[i].parentId) open.pop_back();
        if (!open.empty()) parents[i] = static_cast<std::ptrdiff_t>(open.back());
        if (is_folder(records[i].kind)) open.push_back(i);
    }
    return parents;
}

}  // namespace peltatxt::cli
