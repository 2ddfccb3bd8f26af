// records.h — records in the tool's messages and comparisons: texts quoted, and the fields in which two differ.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "host_io.h"

namespace peltatxt::cli {

// text in double quotes for a message, cut after max_units code units and escaped as excerpt()
// (excerpt.h) escapes it: line breaks, tabs and other control characters written as \r \n \t
// \uXXXX so that the message stays on one line, a lone surrogate as its escape \uD800.
std::string quoted(std::u16string_view text, std::size_t max_units = 60);

// How texts' line breaks compare: unit for unit, or loosely, where an LF alone, a CR alone and
// CR LF are the same line break (what a spreadsheet's LF is to the host's CR LF).
enum class Breaks { Exact, Loose };

// The fields in which two records differ, in the order kind, letterCode, title, text (a
// folder's is "comment"), macro. Ids, parentId, auxA and auxB are not compared.
std::vector<std::string> differing_fields(const host::Record& a, const host::Record& b, Breaks breaks = Breaks::Exact);

// text with every LF alone and CR alone made CR LF.
std::u16string crlf_breaks(std::u16string_view text);

}  // namespace peltatxt::cli
