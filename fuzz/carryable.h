// carryable.h — which records the text format carries exactly, so that an export and an import give them back unchanged.
//
// The rules are the format's model of what comes back (format/carry.h), which follows from how
// the reader parses each kind of line, not from how the writer happens to choose among them: a
// record passes when at least one line form reads back as the record, and the writer is then
// expected to find such a form. Where a case is doubtful the rule leaves the record out (it is
// still checked for nesting and count, just not field by field).
#pragma once

#include <cstddef>
#include <string_view>

#include "plugin_host.h"

namespace peltatxt::fuzz {

// Texts longer than this, or nesting deeper, are left out: near the reader's line-piece length a
// header, comment or macro line no longer reads back as one line.
inline constexpr std::size_t kCarryLimit = 16000;

// A macro (trimmed_lines false) or folder comment (true) that comes back unchanged, with no line
// longer than the limit.
bool carryable_prefixed(std::u16string_view text, bool trimmed_lines);

// A record at the given folder depth that comes back unchanged (carry::comes_back), within the limit.
bool carryable(const host::Record& r, std::size_t depth);

}  // namespace peltatxt::fuzz
