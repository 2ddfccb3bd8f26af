// records_csv.cpp — writing records as spreadsheet CSV, splitting CSV into cells, and reading rows into records.
#include "records_csv.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "code_units.h"
#include "excerpt.h"
#include "failure.h"
#include "folder_paths.h"
#include "kinds.h"
#include "records.h"
#include "row_placement.h"

namespace peltatxt::cli {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr const char* kColumns[] = {"folder", "kind",    "letterCode", "title",     "text",
                                    "macro",  "comment", "escaped",    "guarded", "lineBreaks"};
constexpr std::size_t kColumnCount = sizeof kColumns / sizeof kColumns[0];
enum Column : std::size_t { kFolder, kKind, kLetterCode, kTitle, kText, kMacro, kComment, kEscaped, kGuarded, kLineBreaks };
constexpr std::size_t kFixedColumns = kEscaped;  // the columns every header has; the rest may be left out
constexpr uint8_t kEmptyKind = 2;  // an empty kind: locked, the host's default for an entry
constexpr std::size_t kAbsent = static_cast<std::size_t>(-1);
constexpr Column kTextColumns[] = {kFolder, kTitle, kText, kMacro, kComment};
constexpr char kGuard = '\'';
constexpr std::string_view kExactBreaks = "exact";

// A cell a spreadsheet would read as a formula, or whose leading tab or CR it would drop.
bool needs_guard(std::string_view cell) {
    return !cell.empty() && std::string_view("=+-@\t\r").find(cell[0]) != std::string_view::npos;
}

// A line break that is not CR LF: an LF alone, or a CR alone.
bool has_bare_break(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        else if (text[i] == u'\r' || text[i] == u'\n')
            return true;
    }
    return false;
}

constexpr std::size_t kPieceBytes = 64 * 1024;  // how much text is passed on at a time

// A cell as RFC 4180 writes it: quoted when always is set or when it holds a comma, a quote or a
// line break.
void put_cell(std::string& out, std::string_view text, bool always) {
    if (!always && text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

// A text cell: UTF-8, or in an escaped row "\\" for a backslash and "\uD800" for a lone surrogate.
std::string text_cell(std::u16string_view text, bool escaped) {
    std::string bytes = units_utf8(text);
    if (!escaped) return bytes;
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\\') {
            out += "\\\\";
        } else if (std::optional<char16_t> unit = lone_surrogate_at(bytes, i)) {
            out += unit_escape(*unit);
            i += 2;
        } else {
            out += bytes[i];
        }
    }
    return out;
}

bool all_empty(const std::vector<CsvCell>& row) {
    for (const CsvCell& c : row)
        if (!c.text.empty()) return false;
    return true;
}

class RowReader {
public:
    // at gives each column's place in the row, or kAbsent.
    RowReader(const std::string& source, std::size_t row, const std::vector<CsvCell>& cells, const std::size_t* at)
        : source_(source), row_(row), cells_(cells), at_(at) {}

    [[noreturn]] void fail(std::size_t column, const std::string& what) const {
        throw Failure(source_ + ": row " + std::to_string(row_) + ", column " + std::to_string(at_[column] + 1) + " (" +
                      kColumns[column] + "): " + what);
    }
    const std::string& cell(std::size_t column) const {
        static const std::string kEmpty;
        return at_[column] < cells_.size() ? cells_[at_[column]].text : kEmpty;
    }

    // The text columns whose guard to-csv recorded, as a set of bits by column.
    unsigned guarded() const {
        unsigned set = 0;
        std::string_view names = cell(kGuarded);
        for (std::size_t from = 0; from < names.size();) {
            std::size_t end = std::min(names.find(' ', from), names.size());
            std::string_view name = names.substr(from, end - from);
            bool known = name.empty();
            for (Column c : kTextColumns)
                if (name == kColumns[c]) set |= 1u << c, known = true;
            if (!known)
                fail(kGuarded, "names the text columns that begin with a guard apostrophe (folder, title, text, "
                               "macro, comment, separated by spaces), not " + shown(std::string(name)));
            from = end + 1;
        }
        return set;
    }

    // Whether the row's line breaks are kept as they are (to-csv wrote a text with LF or CR alone).
    bool exact_breaks() const {
        const std::string& e = cell(kLineBreaks);
        if (e.empty()) return false;
        if (e == kExactBreaks) return true;
        fail(kLineBreaks, "must be empty or \"exact\", not " + shown(e));
    }

    bool escaped() const {
        const std::string& e = cell(kEscaped);
        if (e.empty()) return false;
        if (e == "yes") return true;
        fail(kEscaped, "must be empty or \"yes\", not " + shown(e));
    }

    // A text cell: its guard taken off when guarded, escapes read when escaped, and every LF or
    // CR alone made CR LF when crlf.
    std::u16string text(std::size_t column, bool escaped, unsigned guarded, bool crlf) const {
        std::u16string units = unescaped(column, escaped, guarded & (1u << column));
        return crlf ? crlf_breaks(units) : units;
    }

    std::u16string unescaped(std::size_t column, bool escaped, bool guarded) const {
        std::string_view bytes = cell(column);
        // A spreadsheet may have taken the apostrophe as its own text mark and saved the cell without it.
        if (guarded && !bytes.empty() && bytes[0] == kGuard) bytes.remove_prefix(1);
        std::u16string out;
        std::size_t run = 0;
        auto flush = [&](std::size_t to) {
            std::size_t bad = 0;
            std::optional<std::u16string> units = units_of_utf8(bytes.substr(run, to - run), &bad);
            if (!units) fail(column, "not UTF-8 text (at byte " + std::to_string(run + bad + 1) +
                                          " of the cell); --encoding chooses another encoding");
            out += *units;
        };
        for (std::size_t i = 0; escaped && i < bytes.size(); ++i) {
            if (bytes[i] != '\\') continue;
            flush(i);
            if (i + 1 < bytes.size() && bytes[i + 1] == '\\') {
                out += u'\\';
                i += 1;
            } else if (std::optional<char16_t> unit = hex4(bytes, i + 2); unit && bytes[i + 1] == 'u') {
                out += *unit;
                i += 5;
            } else {
                fail(column, "in an escaped row a backslash starts \"\\\\\" or \"\\u\" and four hex digits");
            }
            run = i + 1;
        }
        flush(bytes.size());
        return out;
    }

    uint8_t kind() const {
        const std::string& k = cell(kKind);
        if (k.empty()) return kEmptyKind;
        if (std::optional<uint8_t> kind = kind_of_name(k)) return *kind;
        if (std::optional<long> n = number(k); n && *n >= 0 && *n <= 255) return static_cast<uint8_t>(*n);
        fail(kKind, "unknown kind " + shown(k) +
                        " (" + kind_names(false) + " or a number from 0 to 255)");
    }

    int8_t letter_code() const {
        const std::string& l = cell(kLetterCode);
        if (l.empty()) return 0;
        if (int8_t code = letter_code_of(l)) return code;
        if (std::optional<long> n = number(l); n && *n >= -128 && *n <= 127) return static_cast<int8_t>(*n);
        fail(kLetterCode, "unknown letter code " + shown(l) + " (D, E, R, S, C, P, K, empty or a number)");
    }

private:
    static std::string shown(const std::string& s) { return quoted_excerpt(s, 30); }

    static std::optional<char16_t> hex4(std::string_view s, std::size_t at) {
        if (at + 4 > s.size()) return std::nullopt;
        unsigned v = 0;
        for (std::size_t k = at; k < at + 4; ++k) {
            char c = s[k];
            int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0) return std::nullopt;
            v = v * 16 + static_cast<unsigned>(d);
        }
        return static_cast<char16_t>(v);
    }

    static std::optional<long> number(const std::string& s) {
        std::size_t at = s.size() > 1 && s[0] == '-' ? 1 : 0;
        if (at == s.size() || s.size() > 5) return std::nullopt;
        for (std::size_t k = at; k < s.size(); ++k)
            if (s[k] < '0' || s[k] > '9') return std::nullopt;
        return std::stol(s);
    }

    const std::string& source_;
    std::size_t row_;
    const std::vector<CsvCell>& cells_;
    const std::size_t* at_;
};

}  // namespace

std::string records_to_csv(const Records& records) {
    StringSink out;
    write_csv(records, out);
    return std::move(out.text);
}

void write_csv(const Records& records, Sink& sink) {
    std::vector<std::ptrdiff_t> parents = folder_positions(records);
    std::string out(kBom);
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        if (c) out += ',';
        out += kColumns[c];
    }
    out += "\r\n";
    // The folder path of the record at hand is kept in one string: entering a folder appends its
    // title, leaving it cuts the path back to where it was, so no row's path is kept but this one.
    struct Level {
        std::size_t folder;       // the folder's position
        std::size_t path_length;  // the length of the path of the records in it
    };
    std::vector<Level> open;
    std::u16string path;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const host::Record& r = records[i];
        while (!open.empty() && (parents[i] == kTopLevel || open.back().folder != static_cast<std::size_t>(parents[i])))
            open.pop_back();
        path.resize(open.empty() ? 0 : open.back().path_length);
        bool folder = is_folder(r.kind);
        bool escaped = first_lone_surrogate(path) || first_lone_surrogate(r.title) ||
                       first_lone_surrogate(r.data) || first_lone_surrogate(r.macro);
        bool exact = has_bare_break(path) || has_bare_break(r.title) || has_bare_break(r.data) || has_bare_break(r.macro);
        std::string letter;
        if (char l = code_letter(r.letterCode))
            letter = std::string(1, l);
        else if (r.letterCode != 0)
            letter = std::to_string(r.letterCode);
        std::string cells[kColumnCount] = {
            text_cell(path, escaped),
            kind_name(r.kind).value_or(std::to_string(r.kind)),
            letter,
            text_cell(r.title, escaped),
            folder ? std::string() : text_cell(r.data, escaped),
            text_cell(r.macro, escaped),
            folder ? text_cell(r.data, escaped) : std::string(),
            escaped ? "yes" : "",
            "",
            exact ? std::string(kExactBreaks) : "",
        };
        // A text cell a spreadsheet would evaluate begins with an apostrophe, which the row names.
        bool text_column[kColumnCount] = {};
        for (Column c : kTextColumns) {
            text_column[c] = true;
            if (!needs_guard(cells[c])) continue;
            cells[c].insert(0, 1, kGuard);
            if (!cells[kGuarded].empty()) cells[kGuarded] += ' ';
            cells[kGuarded] += kColumns[c];
        }
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            if (c) out += ',';
            put_cell(out, cells[c], text_column[c]);
        }
        out += "\r\n";
        if (folder) {
            path.append(u"/").append(r.title);
            open.push_back({i, path.size()});
        }
        if (out.size() >= kPieceBytes) {
            sink.write(out);
            out.clear();
        }
    }
    sink.write(out);
}

CsvRows::CsvRows(std::string_view csv, const std::string& source, char delimiter)
    : csv_(csv), source_(source), delimiter_(delimiter) {}

bool CsvRows::next(std::vector<CsvCell>& row) {
    row.clear();
    if (at_ >= csv_.size()) return false;
    ++rows_;
    auto where = [&] {
        return source_ + ": row " + std::to_string(rows_) + ", column " + std::to_string(row.size() + 1);
    };
    std::size_t& i = at_;
    const std::size_t n = csv_.size();
    while (i < n) {
        row.emplace_back();
        CsvCell& cell = row.back();
        if (csv_[i] == '"') {
            cell.quoted = true;
            for (++i;; ++i) {
                std::size_t quote = csv_.find('"', i);
                if (quote == std::string_view::npos) {
                    row.pop_back();
                    throw Failure(where() + ": the quoted cell is not closed (a quote is missing)");
                }
                cell.text.append(csv_.substr(i, quote - i));
                i = quote + 1;
                if (i < n && csv_[i] == '"') {
                    cell.text += '"';
                    continue;
                }
                break;
            }
            if (i < n && csv_[i] != delimiter_ && csv_[i] != '\r' && csv_[i] != '\n') {
                row.pop_back();
                throw Failure(where() + ": text after the closing quote of the cell");
            }
        } else {
            const char ends[] = {delimiter_, '\r', '\n', '\0'};
            std::size_t end = csv_.find_first_of(ends, i);
            if (end == std::string_view::npos) end = n;
            cell.text.assign(csv_.substr(i, end - i));
            i = end;
        }
        if (i < n && csv_[i] == delimiter_) {
            ++i;
            if (i == n) row.emplace_back();  // a last empty cell
            continue;
        }
        // The end of a row: CR LF, LF, CR or the end of the text.
        if (i < n && csv_[i] == '\r') ++i;
        if (i < n && csv_[i] == '\n') ++i;
        return true;
    }
    return true;
}

std::vector<std::vector<CsvCell>> split_csv(std::string_view csv, const std::string& source) {
    std::vector<std::vector<CsvCell>> rows;
    CsvRows reader(csv, source);
    for (std::vector<CsvCell> row; reader.next(row);) rows.push_back(std::move(row));
    return rows;
}

Records records_from_csv(std::string_view bytes, const std::string& source, const CsvReading& how,
                         const char** read_as) {
    CsvText csv = csv_text(bytes, how.encoding, source);
    if (read_as) *read_as = csv.read_as;
    CsvRows rows(csv.text(), source, csv.delimiter);
    std::vector<CsvCell> header;
    if (!rows.next(header)) throw Failure(source + ": row 1: the header row is missing");
    std::size_t at[kColumnCount];
    std::fill(std::begin(at), std::end(at), kAbsent);
    bool header_ok = header.size() >= kFixedColumns;
    for (std::size_t h = 0; header_ok && h < header.size(); ++h) {
        std::size_t c = h < kFixedColumns ? h : kFixedColumns;
        while (c < kColumnCount && header[h].text != kColumns[c]) c = h < kFixedColumns ? kColumnCount : c + 1;
        header_ok = c < kColumnCount && at[c] == kAbsent;
        if (header_ok) at[c] = h;
    }
    if (!header_ok)
        throw Failure(source +
                      ": row 1: the header must be folder,kind,letterCode,title,text,macro,comment, then any of "
                      "escaped, guarded and lineBreaks (any may be left out)");

    RowPlacement placed;
    // One row at a time, into the same cells: rows of empty cells (skipped) take no room.
    for (std::vector<CsvCell> cells; rows.next(cells);) {
        if (all_empty(cells)) continue;
        std::size_t k = rows.count();
        RowReader row(source, k, cells, at);
        if (cells.size() != header.size())
            throw Failure(source + ": row " + std::to_string(k) + ", column " +
                          std::to_string(std::min(cells.size(), header.size()) + 1) + ": " +
                          std::to_string(cells.size()) + " columns where the header has " +
                          std::to_string(header.size()));
        bool escaped = at[kEscaped] != kAbsent && row.escaped();
        unsigned guarded = at[kGuarded] != kAbsent ? row.guarded() : 0;
        bool crlf = !how.keep_line_breaks && !(at[kLineBreaks] != kAbsent && row.exact_breaks());
        host::Record r;
        r.kind = row.kind();
        r.letterCode = row.letter_code();
        r.title = row.text(kTitle, escaped, guarded, crlf);
        r.macro = row.text(kMacro, escaped, guarded, crlf);
        bool folder = is_folder(r.kind);
        std::u16string text = row.text(kText, escaped, guarded, crlf);
        std::u16string comment = row.text(kComment, escaped, guarded, crlf);
        if (folder && !text.empty()) row.fail(kText, "a folder has no text; its text is its comment");
        if (!folder && !comment.empty()) row.fail(kComment, "only a folder has a comment; an entry's is its text");
        r.data = folder ? std::move(comment) : std::move(text);
        if (std::string wrong = placed.place(std::move(r), row.text(kFolder, escaped, guarded, crlf)); !wrong.empty())
            row.fail(kFolder, wrong);
    }
    return placed.records();
}

}  // namespace peltatxt::cli
