// carryable.h — which records the text format carries exactly, so that an export and an import give them back unchanged.
//
// The rules follow from how the reader parses each kind of line, not from how the writer happens
// to choose among them: a record passes when at least one line form reads back as the record, and
// the writer is then expected to find such a form. Where a case is doubtful the rule leaves the
// record out (it is still checked for nesting and count, just not field by field).
#pragma once

#include <cstddef>
#include <string_view>

#include "plugin_host.h"

namespace peltatxt::fuzz {

// Texts longer than this, or nesting deeper, are left out: near the reader's line-piece length a
// header, comment or macro line no longer reads back as one line.
inline constexpr std::size_t kCarryLimit = 16000;

// A macro (MAC lines) or folder comment (FCM lines) survives when its lines are joined by CR LF
// only (no lone CR or LF), its first line is not empty (empty lines before the first text are
// dropped), and, for comments, no line ends in whitespace (comment lines are trimmed on reading).
bool carryable_prefixed(std::u16string_view text, bool trimmed_lines);

// A record at the given folder depth that the format carries exactly:
// - folders of kind 4, 8, 0x14 or 0x18 with letter code 0, a non-empty one-line title without the
//   title terminator whose units do not form a folder flag within the first three units of the
//   header, and a carryable comment and macro;
// - entries of kind 1 or 2, letter code 0..7, a carryable macro, and one of:
//   a title that a data header gives back (non-empty, one line, no title terminator and, without
//   a letter code, not beginning with a letter code nor being a lone code letter), with any text;
//   or, without a letter code, a trimmed one-line title and a text the bare lines give back (the
//   title itself, or the title with surrounding whitespace and no line break, or with surrounding
//   whitespace and one LF at its very end);
//   or an empty title and text with a macro.
bool carryable(const host::Record& r, std::size_t depth);

}  // namespace peltatxt::fuzz
