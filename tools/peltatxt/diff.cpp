// diff.cpp — matching the records of two collections by folder path and title, and telling what changed.
#include "diff.h"

#include <map>
#include <utility>

#include "code_units.h"
#include "json_text.h"
#include "kinds.h"
#include "records.h"
#include "records_json.h"

namespace peltatxt::cli {
namespace {

constexpr std::size_t kNone = Change::kNone;
constexpr std::size_t kExcerptUnits = 40;  // how much of a text a changed line shows
constexpr std::size_t kExcerptLead = 10;   // units shown before the first difference
constexpr std::size_t kPieceBytes = 64 * 1024;  // how much text is passed on at a time

using Key = std::pair<std::size_t, std::u16string>;  // folder path (FolderPaths' number), title

const char* word_of(Change::What what) {
    switch (what) {
        case Change::What::Added:
            return "added";
        case Change::What::Removed:
            return "removed";
        case Change::What::Changed:
            return "changed";
        case Change::What::Moved:
            break;
    }
    return "moved";
}

// A folder path for people: "top level", or the path with control characters escaped.
std::string shown_path(std::u16string_view path) {
    if (path.empty()) return "top level";
    std::string q = cli::quoted(path, 200);
    return q.substr(1, q.size() - 2);
}

// The part of text around offset from, quoted, with "..." where it is cut at the front.
std::string excerpt(std::u16string_view text, std::size_t from) {
    std::size_t start = from > kExcerptLead ? from - kExcerptLead : 0;
    if (start > 0 && is_low_surrogate(text[start]) && is_high_surrogate(text[start - 1])) --start;
    return (start > 0 ? "..." : "") + cli::quoted(text.substr(start), kExcerptUnits);
}

std::size_t common_prefix(std::u16string_view a, std::u16string_view b) {
    std::size_t n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n]) ++n;
    return n;
}

const std::u16string& text_of_field(const host::Record& r, const std::string& field) {
    return field == "title" ? r.title : field == "macro" ? r.macro : r.data;
}

// "    text: "before" -> "after"" for one field of a changed record.
std::string field_line(const host::Record& a, const host::Record& b, const std::string& field) {
    std::string line = "    " + field + ": ";
    if (field == "kind") return line + kind_text(a.kind) + " -> " + kind_text(b.kind);
    if (field == "letterCode") return line + letter_code_text(a.letterCode) + " -> " + letter_code_text(b.letterCode);
    const std::u16string &x = text_of_field(a, field), &y = text_of_field(b, field);
    std::size_t at = common_prefix(x, y);
    return line + excerpt(x, at) + " -> " + excerpt(y, at);
}

std::string record_label(const host::Record& r) {
    std::string tag = kind_text(r.kind);
    if (char letter = code_letter(r.letterCode)) tag += std::string(" ") + letter;
    return tag + " " + cli::quoted(r.title);
}

Json field_value(const host::Record& r, const std::string& field) {
    if (field == "kind") return kind_json(r.kind);
    if (field == "letterCode") return letter_code_json(r.letterCode);
    return units_utf8(text_of_field(r, field));
}

}  // namespace

CollectionDiff::CollectionDiff(const Records& before, const Records& after, Breaks breaks)
    : before_(before), after_(after), paths_before_(paths_.of(before)), paths_after_(paths_.of(after)) {
    // The records after, by folder path and title, in order.
    std::map<Key, std::vector<std::size_t>> after_by_key;
    for (std::size_t j = 0; j < after.size(); ++j) after_by_key[{paths_after_[j], after[j].title}].push_back(j);
    std::map<Key, std::size_t> taken;  // how many of each key the records before have used
    std::vector<bool> paired_after(after.size(), false);
    std::vector<std::size_t> pair_of(before.size(), kNone);
    for (std::size_t i = 0; i < before.size(); ++i) {
        Key key{paths_before_[i], before[i].title};
        auto it = after_by_key.find(key);
        std::size_t& n = taken[key];
        if (it == after_by_key.end() || n >= it->second.size()) continue;
        pair_of[i] = it->second[n++];
        paired_after[pair_of[i]] = true;
    }
    // Records left over after, by title, for moves.
    std::map<std::u16string, std::vector<std::size_t>> left_after;
    for (std::size_t j = 0; j < after.size(); ++j)
        if (!paired_after[j]) left_after[after[j].title].push_back(j);

    std::vector<bool> moved_after(after.size(), false);
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (pair_of[i] != kNone) {
            std::vector<std::string> fields = differing_fields(before[i], after[pair_of[i]], breaks);
            if (!fields.empty()) changes_.push_back({Change::What::Changed, i, pair_of[i], std::move(fields)});
            continue;
        }
        std::size_t to = kNone;
        auto it = left_after.find(before[i].title);
        if (it != left_after.end())
            for (std::size_t j : it->second)
                if (!moved_after[j] && differing_fields(before[i], after[j], breaks).empty()) {
                    to = j;
                    break;
                }
        if (to != kNone) {
            moved_after[to] = true;
            changes_.push_back({Change::What::Moved, i, to, {}});
        } else {
            changes_.push_back({Change::What::Removed, i, kNone, {}});
        }
    }
    for (std::size_t j = 0; j < after.size(); ++j)
        if (!paired_after[j] && !moved_after[j]) changes_.push_back({Change::What::Added, kNone, j, {}});
}

std::string CollectionDiff::text(const std::string& name_before, const std::string& name_after) const {
    StringSink out;
    write_text(name_before, name_after, out);
    return std::move(out.text);
}

void CollectionDiff::write_text(const std::string& name_before, const std::string& name_after, Sink& sink) const {
    if (changes_.empty()) return;
    // Changes grouped by the folder they are in (after, except for removed records), folders in
    // the order in which they first come up.
    std::vector<std::size_t> folders;
    std::map<std::size_t, std::vector<const Change*>> by_folder;
    std::size_t counts[4] = {};
    for (const Change& c : changes_) {
        std::size_t path = c.after != kNone ? paths_after_[c.after] : paths_before_[c.before];
        auto [it, fresh] = by_folder.try_emplace(path);
        if (fresh) folders.push_back(path);
        it->second.push_back(&c);
        ++counts[static_cast<int>(c.what)];
    }
    // Written a folder at a time: a path is made only while its lines are written.
    std::string out = "--- " + name_before + "\n+++ " + name_after + "\n";
    for (std::size_t folder : folders) {
        out += "@@ " + shown_path(paths_.text(folder)) + "\n";
        for (const Change* c : by_folder[folder]) {
            switch (c->what) {
                case Change::What::Removed:
                    out += "- " + record_label(before_[c->before]) + "\n";
                    break;
                case Change::What::Added:
                    out += "+ " + record_label(after_[c->after]) + "\n";
                    break;
                case Change::What::Moved:
                    out += "> " + record_label(after_[c->after]) + " (moved from " +
                           shown_path(paths_.text(paths_before_[c->before])) + ")\n";
                    break;
                case Change::What::Changed:
                    out += "~ " + record_label(before_[c->before]) + "\n";
                    for (const std::string& field : c->fields)
                        out += field_line(before_[c->before], after_[c->after], field) + "\n";
                    break;
            }
            if (out.size() >= kPieceBytes) {
                sink.write(out);
                out.clear();
            }
        }
    }
    std::string summary;
    for (Change::What what : {Change::What::Added, Change::What::Removed, Change::What::Changed, Change::What::Moved}) {
        std::size_t n = counts[static_cast<int>(what)];
        if (n) summary += (summary.empty() ? "" : ", ") + std::to_string(n) + " " + word_of(what);
    }
    sink.write(out + summary + "\n");
}

std::string CollectionDiff::json() const {
    StringSink out;
    write_json(out);
    return std::move(out.text);
}

void CollectionDiff::write_json(Sink& sink) const {
    if (changes_.empty()) return sink.write("[]\n");
    // The array written a change at a time, as json_text would write it whole.
    std::string out = "[";
    for (std::size_t k = 0; k < changes_.size(); ++k) {
        const Change& c = changes_[k];
        const host::Record& r = c.after != kNone && c.what != Change::What::Changed ? after_[c.after] : before_[c.before];
        Json o = Json::object();
        o["change"] = word_of(c.what);
        if (c.what == Change::What::Moved) o["from"] = units_utf8(paths_.text(paths_before_[c.before]));
        o["folder"] = units_utf8(paths_.text(c.after != kNone ? paths_after_[c.after] : paths_before_[c.before]));
        o["title"] = units_utf8(r.title);
        o["kind"] = kind_json(r.kind);
        if (c.what == Change::What::Changed) {
            Json fields = Json::object();
            for (const std::string& field : c.fields)
                fields[field] = Json{{"before", field_value(before_[c.before], field)},
                                     {"after", field_value(after_[c.after], field)}};
            o["fields"] = std::move(fields);
        }
        out += "\n  ";
        append_json_text(out, o, 1);
        if (k + 1 < changes_.size()) out += ',';
        if (out.size() >= kPieceBytes) {
            sink.write(out);
            out.clear();
        }
    }
    sink.write(out + "\n]\n");
}

bool write_diff(const Records& before, const Records& after, const std::string& name_before,
                const std::string& name_after, bool json, Sink& out, Breaks breaks) {
    CollectionDiff diff(before, after, breaks);
    if (json)
        diff.write_json(out);
    else
        diff.write_text(name_before, name_after, out);
    return diff.changes().empty();
}

}  // namespace peltatxt::cli
