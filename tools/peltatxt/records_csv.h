// records_csv.h — records as CSV for spreadsheet programs, and a checked reading of such CSV back into records.
//
// The CSV is RFC 4180 in UTF-8 with a byte-order mark and CR LF line ends, which spreadsheet
// programs open correctly with Japanese text. A header row names the columns:
//   folder     the folder the record is in, as "/" plus the title of each folder from the top
//              ("/Greetings/Business"); empty at top level
//   kind       "one-time", "locked", "folder", "folder H", "folder O", "folder H O", or a number
//   letterCode "D" "E" "R" "S" "C" "P" "K", empty for none, or a number
//   title, text, macro, comment   an entry's text, a folder's comment (the other stays empty)
//   escaped    empty, or "yes" for a row that holds a lone surrogate (which UTF-8 cannot carry):
//              in that row's other cells a backslash is written "\\" and each lone surrogate
//              as its escape "\uD800", so that every code unit comes back
//   guarded    the text columns (space-separated) whose cell begins with an apostrophe that the
//              writer put before a text beginning "=", "+", "-", "@", a tab or a CR, so that no
//              spreadsheet evaluates it; the reader takes exactly that apostrophe off again
//   lineBreaks empty, or "exact" for a row whose texts hold an LF or a CR alone: the reader keeps
//              those rows' line breaks as they are and makes every LF or CR alone in the other
//              rows CR LF (spreadsheets save a line break in a cell as LF)
// Every text cell (folder, title, text, macro, comment) is quoted, so that a spreadsheet asked to
// read quoted cells as text does so.
// One row per record, in the list's order; a folder's records follow its row. Reading accepts what spreadsheet programs write when they
// save such a file: a byte-order mark or none, CR LF, LF or CR line ends, a final line break or
// none, rows of empty cells (skipped), and the encodings and delimiters of csv_text.h.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "csv_text.h"
#include "host_io.h"
#include "sink.h"

namespace peltatxt::cli {

std::string records_to_csv(const Records& records);
// The same, a piece at a time.
void write_csv(const Records& records, Sink& out);

// How from-csv reads a CSV file.
struct CsvReading {
    CsvEncoding encoding = CsvEncoding::Auto;  // see csv_text()
    bool keep_line_breaks = false;             // LF or CR alone kept in every row, not only in "exact" rows
};

// Records get ids 1, 2, ... in order. Fails with one line naming source, the row (as a
// spreadsheet numbers it, the header being row 1) and the column at fault. read_as (when given)
// is set to the encoding the bytes were read in when it was not UTF-8, else to nullptr.
Records records_from_csv(std::string_view bytes, const std::string& source, const CsvReading& how = {},
                         const char** read_as = nullptr);

// One cell of CSV text, as the reader splits it.
struct CsvCell {
    std::string text;
    bool quoted = false;
};

// Splits RFC 4180 text into rows of cells at delimiter, one row at a time (a byte-order mark is
// not removed here). Fails naming source, the row and the column of an unterminated quote or of text after a
// closing quote.
class CsvRows {
public:
    CsvRows(std::string_view csv, const std::string& source, char delimiter = ',');
    // The next row's cells into row; false at the end of the text.
    bool next(std::vector<CsvCell>& row);
    // How many rows have been read: the number of the last one, as a spreadsheet numbers it.
    std::size_t count() const { return rows_; }

private:
    std::string_view csv_;
    const std::string& source_;
    char delimiter_;
    std::size_t at_ = 0;
    std::size_t rows_ = 0;
};

// Every row of the text at once.
std::vector<std::vector<CsvCell>> split_csv(std::string_view csv, const std::string& source);

}  // namespace peltatxt::cli
