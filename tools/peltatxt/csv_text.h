// csv_text.h — CSV bytes as spreadsheet programs save them (UTF-8, UTF-16, code page 932; commas or tabs) made into UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace peltatxt::cli {

enum class CsvEncoding { Auto, Utf8, Utf16, Cp932 };
inline constexpr CsvEncoding kCsvEncodings[] = {CsvEncoding::Auto, CsvEncoding::Utf8, CsvEncoding::Utf16,
                                                CsvEncoding::Cp932};

// "auto", "utf-8", "utf-16", "cp932": the names the --encoding option takes, in that order.
const char* encoding_option_name(CsvEncoding encoding);

// The text of a CSV file in units UTF-8 (code_units.h), without a byte-order mark, ready to be
// split into cells: UTF-8 is not copied, so it lives as long as the bytes it came from.
struct CsvText {
    std::string converted;  // the text, when it was converted from another encoding
    std::string_view plain;  // else the text, within the bytes
    char delimiter = ',';    // ',' or '\t': a tab when the first line holds tabs and no comma
    const char* read_as = nullptr;  // the encoding used when it was not UTF-8 ("UTF-16LE", ...)

    std::string_view text() const { return read_as ? std::string_view(converted) : plain; }
};

// With Auto: UTF-8 after its byte-order mark; UTF-16 after its mark FF FE or FE FF; UTF-8
// without a mark when the bytes are UTF-8, or when they are mostly UTF-8 with some bytes that
// are not (left for the cell reader to refuse, naming the row, never read in another encoding);
// code page 932 when the bytes are not UTF-8 but all of them are code page 932, with characters
// of two bytes among them; else UTF-8 as it stands, which the cell reader refuses. Another encoding forces that one (UTF-16 without a
// mark is little-endian), and bytes that are not valid in it fail naming source.
CsvText csv_text(std::string_view bytes, CsvEncoding encoding, const std::string& source);

}  // namespace peltatxt::cli
