// carryable.cpp — the carryability rules: the format's model of what comes back (format/carry.h) within the target's length limits.
#include "carryable.h"

#include "format/carry.h"

namespace peltatxt::fuzz {
namespace {

using Text = std::u16string_view;

// No line of text is longer than the limit.
bool lines_within_limit(Text text) {
    for (std::size_t start = 0;;) {
        std::size_t end = text.find_first_of(u"\r\n", start);
        if ((end == Text::npos ? text.size() : end) - start > kCarryLimit) return false;
        if (end == Text::npos) return true;
        start = end + 1;
    }
}

}  // namespace

bool carryable_prefixed(Text text, bool trimmed_lines) {
    carry::Cause cause = trimmed_lines ? carry::comment_cause(text) : carry::macro_cause(text);
    return cause == carry::Cause::None && lines_within_limit(text);
}

bool carryable(const host::Record& r, std::size_t depth) {
    Text title = r.title, data = r.data, macro = r.macro;
    if (depth > kCarryLimit || title.size() > kCarryLimit || data.size() > kCarryLimit) return false;
    if (!lines_within_limit(macro)) return false;
    return carry::comes_back(r.kind, r.letterCode, title, data, macro);
}

}  // namespace peltatxt::fuzz
