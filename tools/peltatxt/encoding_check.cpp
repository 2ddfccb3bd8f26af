// encoding_check.cpp — telling UTF-16 text from 8-bit text and from the byte-order marks of other encodings.
#include "encoding_check.h"

namespace peltatxt::cli {

std::optional<std::string> encoding_warning(std::string_view head) {
    auto starts = [&](std::string_view bom) { return head.substr(0, bom.size()) == bom; };
    if (head.empty() || starts("\xFF\xFE")) return std::nullopt;
    if (starts("\xFE\xFF"))
        return "starts with the big-endian byte-order mark; the format reads UTF-16 little-endian only";
    if (starts("\xEF\xBB\xBF")) return "is UTF-8 text (it starts with the UTF-8 byte-order mark), not UTF-16";
    for (std::size_t i = 1; i < head.size(); i += 2)
        if (head[i] == '\0') return std::nullopt;
    return "does not look like UTF-16 (no byte-order mark, and no UTF-16 line break, blank or ASCII character); "
           "it may be 8-bit text such as ASCII or UTF-8";
}

}  // namespace peltatxt::cli
