// outline.cpp — renders records as an indented outline with one summary line.
#include "outline.h"

#include <algorithm>
#include <string>

#include "format/rules.h"
#include "kinds.h"
#include "records.h"
#include "terminal.h"
#include "text/unicode_text.h"

namespace peltatxt::cli {
namespace {

constexpr std::size_t kTagColumns = 11;        // "folder H O" and "one-time D" plus one blank
constexpr std::size_t kMaxIndentLevels = 100;  // deeper folders are indented as this level

std::u16string tag_of(const host::Record& r) {
    std::string tag = kind_name(r.kind).value_or("kind " + std::to_string(r.kind));
    if (char letter = code_letter(r.letterCode))
        tag += std::string(" ") + letter;
    else if (r.letterCode != 0)
        tag += " code " + std::to_string(r.letterCode);
    std::u16string out = host::utf16_replacing(tag);
    out.append(out.size() < kTagColumns ? kTagColumns - out.size() : 1, u' ');
    return out;
}

// The first line of text (without its line break) and how many lines follow it.
std::u16string first_line(std::u16string_view text, std::size_t& more) {
    std::size_t lf = text.find(u'\n');
    std::u16string_view line = text.substr(0, lf);
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    more = 0;
    for (std::size_t at = lf; at != std::u16string_view::npos && at + 1 < text.size(); at = text.find(u'\n', at + 1))
        ++more;
    return std::u16string(line);
}

// Prints line and its suffix, cut to width: when they do not fit, the suffix gives way to "...".
void put_line(std::ostream& out, const std::u16string& line, const std::u16string& suffix, std::size_t width) {
    std::u16string whole = line + suffix;
    if (width == 0 || text_width(whole) <= width)
        out << printable(whole) << '\n';
    else if (text_width(line) + 3 <= width)
        out << printable(line) << "...\n";
    else
        out << printable(line, width) << '\n';
}

std::u16string more_lines(std::size_t more) {
    if (more == 0) return {};
    return host::utf16_replacing(" (+" + std::to_string(more) + (more == 1 ? " line)" : " lines)"));
}

// A comment or macro under its record's title.
void put_note(std::ostream& out, const std::u16string& indent, const char* label, std::u16string_view text,
              std::size_t width) {
    std::size_t more = 0;
    std::u16string line = indent + std::u16string(kTagColumns, u' ') + host::utf16_replacing(label) + first_line(text, more);
    put_line(out, line, more_lines(more), width);
}

std::string count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

void print_outline(std::ostream& out, const Records& records, std::size_t width) {
    std::vector<std::ptrdiff_t> parents = folder_positions(records);
    std::vector<std::size_t> depth(records.size(), 0);
    std::size_t folders = 0, locked = 0, one_time = 0, other = 0, macros = 0, comments = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const host::Record& r = records[i];
        if (parents[i] != kTopLevel) depth[i] = depth[static_cast<std::size_t>(parents[i])] + 1;
        std::u16string indent(2 * std::min(depth[i], kMaxIndentLevels), u' ');
        std::u16string line = indent + tag_of(r) + r.title;
        std::size_t more = 0;
        bool folder = is_folder(r.kind);
        if (!folder && r.data != r.title) {
            if (r.data.empty())
                line += u"  (no text)";
            else if (trim(r.data) == r.title)  // the title with blanks or a line break around it: show them
                line += u": " + host::utf16_replacing(quoted(r.data, r.data.size()));
            else
                line += u": " + first_line(r.data, more);
        }
        put_line(out, line, more_lines(more), width);
        if (folder && !r.data.empty()) put_note(out, indent, "comment: ", r.data, width);
        if (!r.macro.empty()) put_note(out, indent, "macro: ", r.macro, width);

        folders += folder;
        locked += !folder && r.kind == PELTATXT_KIND_LOCKED;
        one_time += !folder && r.kind == PELTATXT_KIND_ONE_TIME;
        other += !folder && r.kind != PELTATXT_KIND_LOCKED && r.kind != PELTATXT_KIND_ONE_TIME;
        macros += !r.macro.empty();
        comments += folder && !r.data.empty();
    }
    std::size_t entries = locked + one_time + other;
    std::string kinds =
        entries == 0 ? "" : " (" + std::to_string(locked) + " locked, " + std::to_string(one_time) + " one-time";
    if (entries != 0) kinds += (other ? ", " + std::to_string(other) + " of other kinds)" : ")");
    if (!records.empty()) out << '\n';
    out << count(folders, "folder", "folders") << ", " << count(entries, "entry", "entries") << kinds << ", "
        << count(macros, "macro", "macros") << ", " << count(comments, "comment", "comments") << '\n';
}

}  // namespace peltatxt::cli
