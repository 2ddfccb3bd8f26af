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

std::vector<std::string> differing_fields(const host::Record& a, const host::Record& b) {
    std::vector<std::string> fields;
    if (a.kind != b.kind) fields.push_back("kind");
    if (a.letterCode != b.letterCode) fields.push_back("letterCode");
    if (a.title != b.title) fields.push_back("title");
    if (a.data != b.data) fields.push_back(is_folder(a.kind) ? "comment" : "text");
    if (a.macro != b.macro) fields.push_back("macro");
    return fields;
}

}  // namespace peltatxt::cli
