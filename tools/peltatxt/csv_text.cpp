// csv_text.cpp — telling the encoding and delimiter of CSV bytes, and converting them to UTF-8.
#include "csv_text.h"

#include <optional>

#include "code_page.h"
#include "code_units.h"
#include "failure.h"
#include "text/utf8.h"

namespace peltatxt::cli {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";
constexpr const char* kCp932Name = "code page 932 (Shift_JIS)";

// The characters of more than one byte that are UTF-8, and the bytes that are not.
struct Utf8Count {
    std::size_t good = 0, bad = 0;
};
Utf8Count count_utf8(std::string_view bytes) {
    Utf8Count n;
    for (std::size_t at = 0; at < bytes.size();) {
        Utf8Point point = utf8_point_at(bytes, at);
        if (!point.valid)
            ++n.bad;
        else if (point.bytes > 1)
            ++n.good;
        at += point.bytes;
    }
    return n;
}

std::string utf16_text(std::string_view bytes, bool big_endian, const std::string& source) {
    if (bytes.size() % 2)
        throw Failure(source + ": UTF-16 text cannot have an odd number of bytes (" + std::to_string(bytes.size()) +
                      " after the byte-order mark)");
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t k = 0; k < units.size(); ++k) {
        auto first = static_cast<unsigned char>(bytes[2 * k]), second = static_cast<unsigned char>(bytes[2 * k + 1]);
        units[k] = static_cast<char16_t>(big_endian ? first << 8 | second : second << 8 | first);
    }
    return units_utf8(units);
}

char delimiter_of(std::string_view text) {
    std::string_view first = text.substr(0, text.find_first_of("\r\n"));
    return first.find('\t') != std::string_view::npos && first.find(',') == std::string_view::npos ? '\t' : ',';
}

CsvText plain(std::string_view bytes) {
    CsvText csv;
    csv.plain = bytes;
    return csv;
}

CsvText converted(std::string text, const char* read_as) {
    CsvText csv;
    csv.converted = std::move(text);
    csv.read_as = read_as;
    return csv;
}

CsvText decoded(std::string_view bytes, CsvEncoding encoding, const std::string& source) {
    bool le = bytes.starts_with(kUtf16LeBom), be = bytes.starts_with(kUtf16BeBom);
    switch (encoding) {
        case CsvEncoding::Utf8:
            if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
            return plain(bytes);
        case CsvEncoding::Utf16:
            if (le || be) bytes.remove_prefix(2);
            return converted(utf16_text(bytes, be, source), be ? "UTF-16BE" : "UTF-16LE");
        case CsvEncoding::Cp932: {
            std::size_t bad = 0;
            std::optional<std::u16string> units = units_of_cp932(bytes, &bad);
            if (!units)
                throw Failure(source + ": not " + kCp932Name + " text" +
                              (bad == kUnknownPlace ? "" : " (at byte " + std::to_string(bad + 1) + ")"));
            return converted(units_utf8(*units), kCp932Name);
        }
        case CsvEncoding::Auto:
            break;
    }
    if (bytes.starts_with(kUtf8Bom)) return decoded(bytes, CsvEncoding::Utf8, source);
    if (le || be) return decoded(bytes, CsvEncoding::Utf16, source);
    Utf8Count n = count_utf8(bytes);
    if (n.bad > 0 && n.good <= n.bad) {
        // Japanese text in code page 932 has characters of two bytes, each one unit: fewer units
        // than bytes. ASCII with a stray byte is read as UTF-8 and refused where that byte is.
        std::optional<std::u16string> units = units_of_cp932(bytes);
        if (units && units->size() < bytes.size()) return converted(units_utf8(*units), kCp932Name);
    }
    return plain(bytes);
}

}  // namespace

const char* encoding_option_name(CsvEncoding encoding) {
    switch (encoding) {
        case CsvEncoding::Utf8:
            return "utf-8";
        case CsvEncoding::Utf16:
            return "utf-16";
        case CsvEncoding::Cp932:
            return "cp932";
        case CsvEncoding::Auto:
            break;
    }
    return "auto";
}

CsvText csv_text(std::string_view bytes, CsvEncoding encoding, const std::string& source) {
    CsvText csv = decoded(bytes, encoding, source);
    csv.delimiter = delimiter_of(csv.text());
    return csv;
}

}  // namespace peltatxt::cli
