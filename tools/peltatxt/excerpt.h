// excerpt.h — a short, escaped excerpt of a text for a message, so that no message echoes raw input.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace peltatxt::cli {

// How many code units of an input a message quotes.
constexpr std::size_t kMessageExcerptUnits = 40;

// Which part of a text longer than the excerpt is shown.
enum class Keep { Start, End };

// At most max_units UTF-16 code units of bytes (units UTF-8, code_units.h, or any bytes at all),
// safe for one line of a message: CR, LF and tab written \r \n \t, other control characters
// \u001B, a lone surrogate \uD800 and a byte that is not UTF-8 \xFF. A longer text is cut at a
// character's end and marked "...": after the start it keeps, or before the end it keeps. Every
// message that quotes input quotes it through this or quoted_excerpt.
std::string excerpt(std::string_view bytes, std::size_t max_units = kMessageExcerptUnits, Keep keep = Keep::Start);

// The excerpt in double quotes, with a quote and a backslash in it written \" and \\: "text",
// or "the start of a long te...".
std::string quoted_excerpt(std::string_view bytes, std::size_t max_units = kMessageExcerptUnits);

}  // namespace peltatxt::cli
