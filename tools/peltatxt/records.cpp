// records.cpp — quoting a record's text for a message, and comparing two records field by field.
#include "records.h"

#include "code_units.h"
#include "excerpt.h"
#include "format/constants.h"

namespace peltatxt::cli {

std::string quoted(std::u16string_view text, std::size_t max_units) {
    // One unit more than is shown tells the excerpt that the text goes on.
    if (text.size() > max_units) text = text.substr(0, max_units + 1);
    return quoted_excerpt(units_utf8(text), max_units);
}

std::vector<std::string> differing_fields(const host::Record& a, const host::Record& b, Breaks breaks) {
    auto differ = [breaks](const std::u16string& x, const std::u16string& y) {
        return x != y && (breaks == Breaks::Exact || crlf_breaks(x) != crlf_breaks(y));
    };
    std::vector<std::string> fields;
    if (a.kind != b.kind) fields.push_back("kind");
    if (a.letterCode != b.letterCode) fields.push_back("letterCode");
    if (differ(a.title, b.title)) fields.push_back("title");
    if (differ(a.data, b.data)) fields.push_back(is_folder(a.kind) ? "comment" : "text");
    if (differ(a.macro, b.macro)) fields.push_back("macro");
    return fields;
}

std::u16string crlf_breaks(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            out += u"\r\n";
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace peltatxt::cli
