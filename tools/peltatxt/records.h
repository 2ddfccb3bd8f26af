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

// The fields in which two records differ, in the order kind, letterCode, title, text (a
// folder's is "comment"), macro. Ids, parentId, auxA and auxB are not compared.
std::vector<std::string> differing_fields(const host::Record& a, const host::Record& b);

}  // namespace peltatxt::cli
