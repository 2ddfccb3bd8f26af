// terminal.h — the terminal's width and fitting text into columns (wide East Asian characters take two).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace peltatxt::cli {

// The width of the output terminal: COLUMNS when it holds a positive number, else what the
// terminal reports, else 80.
std::size_t terminal_width();

// Whether standard output is a terminal (lines are cut only there).
bool output_is_terminal();

// Columns a code point takes on a terminal: 2 for wide and full-width East Asian characters,
// 0 for combining marks and zero-width characters, 1 otherwise.
std::size_t column_width(char32_t c);

// Columns text takes once printed with printable().
std::size_t text_width(std::u16string_view text);

// UTF-8 of text for a terminal: a tab becomes a blank and every other control character "?".
// When it takes more than columns (0: no limit), it is cut and ends in "...", within columns.
std::string printable(std::u16string_view text, std::size_t columns = 0);

}  // namespace peltatxt::cli
