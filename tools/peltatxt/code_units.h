// code_units.h — UTF-16 code units in 8-bit text without loss: lone surrogates kept, never replaced.
//
// The tool's texts are UTF-16 code units as the plug-in gives them, and any unit may stand
// alone, including a surrogate without its partner. UTF-8 cannot carry such a unit, so inside
// the tool a text travels as "units UTF-8": plain UTF-8, where a lone surrogate takes the three
// bytes that U+D800..U+DFFF would take if it were a character (ED A0 80 for U+D800). Such
// bytes never occur in valid UTF-8, so the form is unambiguous; it never leaves the tool as it
// is: the JSON writer turns those bytes into \uD800 escapes and the CSV writer into its escape
// form (see records_json.h and records_csv.h).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "text/utf8.h"  // is_high_surrogate, is_low_surrogate, CodePoints

namespace peltatxt::cli {

// Every unit of text in units UTF-8.
std::string units_utf8(std::u16string_view text);

// The units back from units UTF-8 (so from any valid UTF-8 too). Any other byte sequence gives
// nothing; bad_at then holds the offset of its first byte.
std::optional<std::u16string> units_of_utf8(std::string_view bytes, std::size_t* bad_at = nullptr);

// The offset of the first lone surrogate in text, if it holds one.
std::optional<std::size_t> first_lone_surrogate(std::u16string_view text);

// When bytes (units UTF-8) begin with a lone surrogate's three bytes at offset at, that unit.
std::optional<char16_t> lone_surrogate_at(std::string_view bytes, std::size_t at);

// "\uD800": the JSON escape of one code unit, upper-case hex.
std::string unit_escape(char16_t unit);

}  // namespace peltatxt::cli
