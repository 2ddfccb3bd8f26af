// records.cpp — kind names, letter codes, and folder nesting of a flat record list by position.
#include "records.h"

#include "code_units.h"
#include "excerpt.h"
#include "format/rules.h"

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

std::string kind_text(uint8_t kind) { return kind_name(kind).value_or("kind " + std::to_string(kind)); }

std::string letter_code_text(int8_t code) {
    if (char letter = code_letter(code)) return std::string("\"") + letter + "\"";
    return code == 0 ? "none" : std::to_string(code);
}

char code_letter(int8_t letterCode) { return static_cast<char>(peltatxt::code_letter(letterCode)); }

int8_t letter_code_of(std::string_view letter) {
    if (letter.size() != 1) return 0;
    return peltatxt::letter_code_of(static_cast<char16_t>(static_cast<unsigned char>(letter[0])));
}

std::string quoted(std::u16string_view text, std::size_t max_units) {
    // One unit more than is shown tells the excerpt that the text goes on.
    if (text.size() > max_units) text = text.substr(0, max_units + 1);
    return quoted_excerpt(units_utf8(text), max_units);
}

std::vector<std::ptrdiff_t> parent_positions(const Records& records) {
    std::vector<std::ptrdiff_t> parents(records.size(), kTopLevel);
    OpenFolders<std::size_t> open;  // positions of the open folders
    for (std::size_t i = 0; i < records.size(); ++i) {
        open.close_for(records[i].parentId, [&](std::size_t p) { return records[p].id; }, [] {});
        if (!open.empty()) parents[i] = static_cast<std::ptrdiff_t>(open.innermost());
        if (is_folder(records[i].kind)) open.open(i);
    }
    return parents;
}

std::vector<std::size_t> FolderPaths::of(const Records& records) {
    std::vector<std::ptrdiff_t> parents = parent_positions(records);
    std::vector<std::size_t> paths(records.size(), 0), inner(records.size(), 0);
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (parents[i] != kTopLevel) paths[i] = inner[static_cast<std::size_t>(parents[i])];
        if (is_folder(records[i].kind)) inner[i] = inside(paths[i], records[i].title);
    }
    return paths;
}

std::size_t FolderPaths::inside(std::size_t path, std::u16string_view title) {
    // One step per piece of the title between slashes: the text of a path is all that counts.
    for (std::size_t from = 0;; ++from) {
        std::size_t slash = title.find(u'/', from);
        std::u16string_view name = title.substr(from, slash == std::u16string_view::npos ? slash : slash - from);
        auto found = numbers_.find({path, name});
        if (found != numbers_.end()) {
            path = found->second;
        } else {
            steps_.push_back({path, std::u16string(name)});
            numbers_.emplace(std::pair<std::size_t, std::u16string_view>(path, steps_.back().name), steps_.size());
            path = steps_.size();
        }
        if (slash == std::u16string_view::npos) return path;
        from = slash;
    }
}

std::u16string FolderPaths::text(std::size_t path) const {
    std::vector<const std::u16string*> names;
    for (; path != 0; path = steps_[path - 1].parent) names.push_back(&steps_[path - 1].name);
    std::u16string out;
    for (std::size_t k = names.size(); k-- > 0;) out.append(u"/").append(*names[k]);
    return out;
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
