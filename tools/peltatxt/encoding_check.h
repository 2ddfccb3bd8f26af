// encoding_check.h — whether the start of a data file looks like the UTF-16 little-endian text the format reads.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace peltatxt::cli {

// A warning when the start of a data file does not look like UTF-16 little-endian text, which is
// how the format reads every file. It is taken for UTF-16 when it begins with the byte-order
// mark FF FE, or when one of its two-byte units has a zero high byte: any UTF-16 text holding a
// line break, a blank or an ASCII character has one, 8-bit text (ASCII, UTF-8, legacy code
// pages) has none. An empty file is fine. The other byte-order marks are named.
std::optional<std::string> encoding_warning(std::string_view head);

// How many bytes of a data file encoding_warning looks at.
constexpr std::size_t kEncodingSample = 64 * 1024;

}  // namespace peltatxt::cli
