// outline.h — the folder tree of a record list as an indented outline, for people to read.
#pragma once

#include <cstddef>
#include <ostream>

#include "host_io.h"

namespace peltatxt::cli {

// One line per record: the kind (with a folder's flags or an entry's letter code), the title
// and, when an entry's text is not just its title, the first line of the text. A folder's
// comment and any record's macro follow on a line of their own. Lines are cut to width
// columns (0: not cut). A summary line counts folders, entries, macros and folder comments.
void print_outline(std::ostream& out, const Records& records, std::size_t width);

}  // namespace peltatxt::cli
