// round_trip.cpp — pairing the records before and after a round trip and explaining every difference.
#include "round_trip.h"

#include <set>

#include "format/carry.h"
#include "format/rules.h"
#include "kinds.h"
#include "records.h"

namespace peltatxt::cli {
namespace {

constexpr std::size_t kNone = Finding::kNone;
// How far ahead the pairing looks for the next identical record after a difference.
constexpr std::size_t kLookAhead = 16;

bool same_fields(const host::Record& a, const host::Record& b) { return differing_fields(a, b).empty(); }

std::string cause_text(carry::Cause c) { return std::string(carry::explanation(c)); }

std::string with_cause(const std::string& cause, const std::string& came_back) {
    return cause.empty() ? "came back as " + came_back : cause + "; came back as " + came_back;
}

void compare_pair(const host::Record& a, const host::Record& b, std::size_t i, std::size_t j,
                  std::vector<Finding>& out) {
    auto add = [&](const char* field, std::string reason) { out.push_back({i, j, field, std::move(reason)}); };
    bool folder = is_folder(a.kind);
    for (const std::string& field : differing_fields(a, b)) {
        if (field == "kind") {
            std::string cause;
            if (folder != is_folder(b.kind))
                cause = folder ? "a folder came back as an entry" : "an entry came back as a folder";
            else
                cause = cause_text(carry::kind_cause(a.kind, a.title));
            add("kind", with_cause(cause, kind_text(b.kind)));
        } else if (field == "letterCode") {
            add("letterCode", with_cause(cause_text(carry::letter_code_cause(a.kind, a.letterCode, a.title)),
                                         letter_code_text(b.letterCode)));
        } else if (field == "title") {
            add("title", with_cause(cause_text(carry::title_cause(a.kind, a.letterCode, a.title)), quoted(b.title)));
        } else if (field == "macro") {
            add("macro", with_cause(cause_text(carry::macro_cause(a.macro)), quoted(b.macro)));
        } else {
            std::string cause = folder ? cause_text(carry::comment_cause(a.data)) : "";
            add(field.c_str(), with_cause(cause, quoted(b.data)));
        }
    }
}

// The position and title of a record and the titles of the (innermost three) folders it is in.
std::string name_of(const Records& records, const std::vector<std::ptrdiff_t>& parents, std::size_t at) {
    std::vector<std::string> folders;
    std::ptrdiff_t p = parents[at];
    for (; p != kTopLevel && folders.size() < 3; p = parents[static_cast<std::size_t>(p)])
        folders.push_back(quoted(records[static_cast<std::size_t>(p)].title, 30));
    std::string name = "record " + std::to_string(at + 1) + " " + quoted(records[at].title);
    if (folders.empty()) return name;
    name += p != kTopLevel ? " in ... > " : " in ";
    for (std::size_t k = folders.size(); k-- > 0;) name += folders[k] + (k ? " > " : "");
    return name;
}

std::string folder_text(const Records& records, std::ptrdiff_t p) {
    if (p == kTopLevel) return "at top level";
    return "in folder " + std::to_string(p + 1) + " " + quoted(records[static_cast<std::size_t>(p)].title, 30);
}

}  // namespace

std::vector<Finding> compare_round_trip(const Records& before, const Records& after) {
    std::vector<Finding> out;
    std::vector<std::ptrdiff_t> parents_before = folder_positions(before), parents_after = folder_positions(after);
    std::vector<std::size_t> paired(before.size(), kNone);  // position after for each position before

    auto pair = [&](std::size_t i, std::size_t j) {
        paired[i] = j;
        compare_pair(before[i], after[j], i, j, out);
        std::ptrdiff_t pb = parents_before[i];
        if (pb != kTopLevel && paired[static_cast<std::size_t>(pb)] == kNone) return;  // its folder is reported
        std::ptrdiff_t expected =
            pb == kTopLevel ? kTopLevel : static_cast<std::ptrdiff_t>(paired[static_cast<std::size_t>(pb)]);
        if (expected != parents_after[j])
            out.push_back({i, j, "nesting",
                           "was " + folder_text(before, pb) + ", came back " + folder_text(after, parents_after[j])});
    };
    auto lost = [&](std::size_t i) {
        const host::Record& r = before[i];
        std::string cause = cause_text(carry::record_cause(r.kind, r.title, r.data, r.macro));
        out.push_back({i, kNone, "", cause.empty() ? "did not come back" : "did not come back: " + cause});
    };
    auto added = [&](std::size_t j) { out.push_back({kNone, j, "", "came back, but was not exported"}); };

    std::size_t i = 0, j = 0;
    while (i < before.size() && j < after.size()) {
        if (same_fields(before[i], after[j])) {
            pair(i++, j++);
            continue;
        }
        // Find the nearest identical pair ahead: k records lost or changed before, l after.
        std::size_t skip_before = 1, skip_after = 1;
        bool found = false;
        for (std::size_t d = 1; d <= 2 * kLookAhead && !found; ++d)
            for (std::size_t k = 0; k <= d && !found; ++k) {
                std::size_t l = d - k;
                if (k > kLookAhead || l > kLookAhead || i + k >= before.size() || j + l >= after.size()) continue;
                if (same_fields(before[i + k], after[j + l])) {
                    skip_before = k;
                    skip_after = l;
                    found = true;
                }
            }
        std::size_t changed = std::min(skip_before, skip_after);
        for (std::size_t t = 0; t < changed; ++t) pair(i + t, j + t);
        for (std::size_t t = changed; t < skip_before; ++t) lost(i + t);
        for (std::size_t t = changed; t < skip_after; ++t) added(j + t);
        i += skip_before;
        j += skip_after;
    }
    for (; i < before.size(); ++i) lost(i);
    for (; j < after.size(); ++j) added(j);
    return out;
}

std::vector<std::string> describe(const std::vector<Finding>& findings, const Records& before, const Records& after) {
    std::vector<std::ptrdiff_t> parents_before = folder_positions(before), parents_after = folder_positions(after);
    std::vector<std::string> lines;
    for (const Finding& f : findings) {
        std::string name = f.before != kNone ? name_of(before, parents_before, f.before)
                                             : name_of(after, parents_after, f.after) + " (read back)";
        lines.push_back(name + ": " + (f.field.empty() ? "" : f.field + ": ") + f.reason);
    }
    return lines;
}

CheckReport check_report(const std::string& name, const Records& before, const Records& after) {
    std::string records = before.size() == 1 ? " record" : " records";
    std::vector<Finding> findings = compare_round_trip(before, after);
    if (findings.empty())
        return {true, name + ": all " + std::to_string(before.size()) + records + " came back identical\n"};
    std::set<std::size_t> records_before, records_after;
    for (const Finding& f : findings) {
        if (f.before != Finding::kNone)
            records_before.insert(f.before);
        else
            records_after.insert(f.after);
    }
    std::size_t differing = records_before.size() + records_after.size();
    std::string text = name + ": " + std::to_string(differing) + " of " + std::to_string(before.size()) + records +
                       " did not come back identical:\n";
    for (const std::string& line : describe(findings, before, after)) text += "  " + line + "\n";
    return {false, std::move(text)};
}

}  // namespace peltatxt::cli
