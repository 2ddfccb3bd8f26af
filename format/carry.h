// carry.h — what an export followed by an import cannot give back, and why, field by field: the one model that the tool's check words and the round-trip fuzz target's verdicts follow; header-only.
//
// The rules follow from how the reader parses each kind of line and what the writer writes for a
// record, for texts well within the reader's line-piece length (see the README's format notes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "format/rules.h"
#include "text/unicode_text.h"

namespace peltatxt::carry {

// One reason why a field does not come back as it was.
enum class Cause : uint8_t {
    None,
    FolderKind,
    EntryKind,
    FolderLetterCode,
    UnknownLetterCode,
    TitleLineBreak,
    EmptyFolderTitle,
    TitleEnd,
    FolderFlag,
    CodeLikeTitle,
    CommentTrailingBlank,
    CommentEmptyFirstLine,
    CommentLineBreaks,
    MacroEmptyFirstLine,
    MacroLineBreaks,
    EmptyEntry,  // the whole record: an entry the reader skips
};

// The cause in words, for a message.
constexpr std::string_view explanation(Cause c) noexcept {
    switch (c) {
        case Cause::None: return {};
        case Cause::FolderKind: return "folders keep only the kinds folder, folder H, folder O and folder H O";
        case Cause::EntryKind: return "entries keep only the kinds one-time and locked";
        case Cause::FolderLetterCode: return "folders carry no letter code";
        case Cause::UnknownLetterCode: return "only the letter codes D, E, R, S, C, P and K are written";
        case Cause::TitleLineBreak: return "a title cannot hold a line break";
        case Cause::EmptyFolderTitle: return "an empty folder title comes back as the folder's id";
        case Cause::TitleEnd: return "a title cannot hold \"|_\", which ends a title";
        case Cause::FolderFlag: return "\"H|\" or \"O|\" near the start of a folder title is read as a flag";
        case Cause::CodeLikeTitle: return "a title that begins with a code letter and \"|\" is read as that letter code";
        case Cause::CommentTrailingBlank: return "blanks at the end of a comment line are not kept";
        case Cause::CommentEmptyFirstLine: return "empty lines at the start of a comment are not kept";
        case Cause::CommentLineBreaks: return "the line breaks of a comment come back as CR LF";
        case Cause::MacroEmptyFirstLine: return "empty lines at the start of a macro are not kept";
        case Cause::MacroLineBreaks: return "the line breaks of a macro come back as CR LF";
        case Cause::EmptyEntry: return "an entry without title, text or macro is not read back";
    }
    return {};
}

namespace detail {

constexpr bool has_line_break(Text s) noexcept {
    for (char16_t c : s)
        if (is_line_break(c)) return true;
    return false;
}

// Prefixed lines (FCM, MAC) lose empty lines before the first text, and every line break comes
// back as CR LF.
constexpr Cause prefixed_cause(Text text, Cause empty_first, Cause breaks) noexcept {
    if (text.starts_with(u'\n') || text.starts_with(kLineBreak)) return empty_first;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool lone_cr = text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n');
        bool bare_lf = text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r');
        if (lone_cr || bare_lf) return breaks;
    }
    return Cause::None;
}

// The folder header keeps the folder's kind and title: the flags the writer puts before the
// title read back as those flags, and none of the title's units is read as one.
inline bool folder_flags_kept(Text title, uint8_t kind) {
    uint8_t written = written_folder_kind(kind);
    std::u16string header;
    if (written & PELTATXT_KIND_FOLDER_H) header += kFlagH;
    if (written & PELTATXT_KIND_FOLDER_O) header += kFlagO;
    std::size_t flags = header.size();
    header += title;
    header += kTitleEnd;
    FolderFlags read = read_folder_flags(header);
    return read.kind == written && read.title_start == flags;
}

}  // namespace detail

// Why a record's kind may not come back (a folder's title can make flags of its own).
inline Cause kind_cause(uint8_t kind, Text title) {
    if (is_folder(kind)) {
        if (!detail::folder_flags_kept(title, kind)) return Cause::FolderFlag;
        for (uint8_t k : kFolderKinds)
            if (k == kind) return Cause::None;
        return Cause::FolderKind;
    }
    for (uint8_t k : kEntryKinds)
        if (k == kind) return Cause::None;
    return Cause::EntryKind;
}

// Why a record's letter code may not come back.
constexpr Cause letter_code_cause(uint8_t kind, int8_t code, Text title) noexcept {
    if (is_folder(kind)) return code == 0 ? Cause::None : Cause::FolderLetterCode;
    if (code != 0 && !has_letter_code(code)) return Cause::UnknownLetterCode;
    if (!has_letter_code(code) && begins_like_letter_code(title)) return Cause::CodeLikeTitle;
    return Cause::None;
}

// Why a title may not come back as a header line carries it (folder header, SDT or DAT line).
inline Cause title_cause(uint8_t kind, int8_t code, Text title) {
    bool folder = is_folder(kind);
    if (detail::has_line_break(title)) return Cause::TitleLineBreak;
    if (folder && title.empty()) return Cause::EmptyFolderTitle;
    if (title.find(kTitleEnd) != Text::npos) return Cause::TitleEnd;
    if (folder && !detail::folder_flags_kept(title, kind)) return Cause::FolderFlag;
    if (!folder && !has_letter_code(code) && begins_like_letter_code(title)) return Cause::CodeLikeTitle;
    return Cause::None;
}

// Why a folder comment may not come back: its lines lose trailing whitespace as well.
constexpr Cause comment_cause(Text text) noexcept {
    auto blank = [](char16_t c) { return is_space(c) && !is_line_break(c); };
    for (std::size_t at = text.find(u'\n'); at != Text::npos; at = text.find(u'\n', at + 1)) {
        std::size_t end = at > 0 && text[at - 1] == u'\r' ? at - 1 : at;
        if (end > 0 && blank(text[end - 1])) return Cause::CommentTrailingBlank;
    }
    if (!text.empty() && blank(text.back())) return Cause::CommentTrailingBlank;
    return detail::prefixed_cause(text, Cause::CommentEmptyFirstLine, Cause::CommentLineBreaks);
}

// Why a macro may not come back.
constexpr Cause macro_cause(Text text) noexcept {
    return detail::prefixed_cause(text, Cause::MacroEmptyFirstLine, Cause::MacroLineBreaks);
}

// Why a whole record may not come back at all: an entry with neither title nor macro and a text
// of whitespace at most.
constexpr Cause record_cause(uint8_t kind, Text title, Text data, Text macro) noexcept {
    if (is_folder(kind) || !macro.empty() || !title.empty() || !trim(data).empty()) return Cause::None;
    return Cause::EmptyEntry;
}

// A bare line in one of the three modes gives this title and text back: a trimmed one-line
// title without letter code, and as text the title itself (TRM), the title with surrounding
// whitespace and no line break (DNL), or with surrounding whitespace and one LF at its very end (NTR).
// The tests go from the cheapest to the dearest. The text must be the title with blanks around
// it, and it is compared from its first non-blank unit on: a text that differs from the title
// there is ruled out without reading its end.
constexpr bool bare_lines_carry(Text title, Text data, int8_t code) noexcept {
    if (code != 0 || title.empty() || data.size() < title.size()) return false;
    Text rest = trim_left(data);
    if (rest.size() < title.size() || rest[0] != title[0]) return false;
    if (is_space(title.front()) || is_space(title.back())) return false;  // not a trimmed title
    if (!same_units(rest.substr(0, title.size()), title) || !trim_left(rest.substr(title.size())).empty()) return false;
    if (detail::has_line_break(title)) return false;
    if (data.size() == title.size()) return true;
    if (!detail::has_line_break(data)) return true;
    return data.find(u'\n') + 1 == data.size();
}

// True when an export and an import give the record back with the same kind, letter code,
// title, text and macro: every field without a cause, where an entry's title may come back
// through a data header or through bare lines, and an entry with neither title nor text only
// through its macro.
inline bool comes_back(uint8_t kind, int8_t code, Text title, Text data, Text macro) {
    if (macro_cause(macro) != Cause::None || kind_cause(kind, title) != Cause::None) return false;
    if (is_folder(kind))
        return code == 0 && title_cause(kind, code, title) == Cause::None && comment_cause(data) == Cause::None;
    if (letter_code_cause(kind, code, title) == Cause::UnknownLetterCode) return false;
    if (title.empty()) return data.empty() && !macro.empty();
    return title_cause(kind, code, title) == Cause::None || bare_lines_carry(title, data, code);
}

}  // namespace peltatxt::carry
