// round_trip.cpp — pairing the records before and after a round trip and explaining every difference.
#include "round_trip.h"

#include "records.h"

namespace peltatxt::cli {
namespace {

constexpr std::size_t kNone = Finding::kNone;
// How far ahead the pairing looks for the next identical record after a difference.
constexpr std::size_t kLookAhead = 16;

bool same_fields(const host::Record& a, const host::Record& b) { return differing_fields(a, b).empty(); }

bool has_line_break(std::u16string_view s) { return s.find_first_of(u"\r\n") != std::u16string_view::npos; }

bool flag_near_start(std::u16string_view title) {
    for (std::u16string_view flag : {u"H|", u"O|"})
        if (title.find(flag) < 3) return true;
    return false;
}

bool begins_with_letter_code(const host::Record& r) {
    std::u16string_view t = r.title;
    bool code_ahead =
        !t.empty() && letter_code_of(host::to_utf8(t.substr(0, 1))) != 0 && (t.size() == 1 || t[1] == u'|');
    return !is_folder(r.kind) && code_letter(r.letterCode) == 0 && code_ahead;
}

// Why a title may not come back as it was; empty when none of the known causes applies.
std::string title_cause(const host::Record& r) {
    std::u16string_view t = r.title;
    if (has_line_break(t)) return "a title cannot hold a line break";
    if (t.empty() && is_folder(r.kind)) return "an empty folder title comes back as the folder's id";
    if (t.find(u"|_") != std::u16string_view::npos) return "a title cannot hold \"|_\", which ends a title";
    if (is_folder(r.kind) && flag_near_start(t))
        return "\"H|\" or \"O|\" near the start of a folder title is read as a flag";
    if (begins_with_letter_code(r))
        return "a title that begins with a code letter and \"|\" is read as that letter code";
    return {};
}

// Why a comment or macro may not come back as it was.
std::string text_cause(std::u16string_view text, const char* what) {
    if (!text.empty() && (text.front() == u'\n' || text.starts_with(u"\r\n")))
        return std::string("empty lines at the start of a ") + what + " are not kept";
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool lone_cr = text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n');
        bool bare_lf = text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r');
        if (lone_cr || bare_lf) return std::string("the line breaks of a ") + what + " come back as CR LF";
    }
    return {};
}

std::string comment_cause(std::u16string_view text) {
    for (std::size_t at = text.find(u'\n'); at != std::u16string_view::npos; at = text.find(u'\n', at + 1)) {
        std::size_t end = at > 0 && text[at - 1] == u'\r' ? at - 1 : at;
        if (end > 0 && is_blank(text[end - 1])) return "blanks at the end of a comment line are not kept";
    }
    if (!text.empty() && is_blank(text.back())) return "blanks at the end of a comment line are not kept";
    return text_cause(text, "comment");
}

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
            else if (folder && flag_near_start(a.title))
                cause = title_cause(a);
            else if (folder)
                cause = "folders keep only the kinds folder, folder H, folder O and folder H O";
            else if (a.kind != PELTATXT_KIND_ONE_TIME && a.kind != PELTATXT_KIND_LOCKED)
                cause = "entries keep only the kinds one-time and locked";
            add("kind", with_cause(cause, kind_text(b.kind)));
        } else if (field == "letterCode") {
            std::string cause;
            if (folder)
                cause = "folders carry no letter code";
            else if (a.letterCode != 0 && code_letter(a.letterCode) == 0)
                cause = "only the letter codes D, E, R, S, C, P and K are written";
            else if (begins_with_letter_code(a))
                cause = title_cause(a);
            add("letterCode", with_cause(cause, letter_code_text(b.letterCode)));
        } else if (field == "title") {
            add("title", with_cause(title_cause(a), quoted(b.title)));
        } else if (field == "macro") {
            add("macro", with_cause(text_cause(a.macro, "macro"), quoted(b.macro)));
        } else {
            add(field.c_str(), with_cause(folder ? comment_cause(a.data) : "", quoted(b.data)));
        }
    }
}

std::string lost_cause(const host::Record& r) {
    if (is_folder(r.kind) || !r.macro.empty() || !r.title.empty()) return {};
    for (char16_t c : r.data)
        if (!is_blank(c)) return {};
    return "an entry without title, text or macro is not read back";
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
    std::vector<std::ptrdiff_t> parents_before = parent_positions(before), parents_after = parent_positions(after);
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
        std::string cause = lost_cause(before[i]);
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
    std::vector<std::ptrdiff_t> parents_before = parent_positions(before), parents_after = parent_positions(after);
    std::vector<std::string> lines;
    for (const Finding& f : findings) {
        std::string name = f.before != kNone ? name_of(before, parents_before, f.before)
                                             : name_of(after, parents_after, f.after) + " (read back)";
        lines.push_back(name + ": " + (f.field.empty() ? "" : f.field + ": ") + f.reason);
    }
    return lines;
}

}  // namespace peltatxt::cli
