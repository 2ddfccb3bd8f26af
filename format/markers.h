// markers.h — the format's reserved line markers and fixed strings, and the classification of one line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "format/constants.h"
#include "text/unicode_text.h"

namespace peltatxt {

// One line as the reader sees it.
struct ClassifiedLine {
    // The marker the line begins with, which the reader acts on; none for a plain line of text,
    // which a line that begins with the escape marker is too. Never Marker::ESC.
    std::optional<Marker> marker;
    // For text: the units that feed a data block; for a line that began with the escape marker
    // (as written, with no line break inside it), the line without its leading whitespace and
    // that marker.
    Text raw;
    // The line stripped of leading whitespace (and escape marker) and of every CR and LF: the
    // text that marker lines are parsed from, and that titles and the blank test use. A view of
    // the line where its line breaks only end it, else a copy in the scratch given to classify.
    Text stripped;
};

// Classifies a line piece. stripped may point into scratch, which is reused between calls.
// breaks_at_end: the piece's CR and LF units are known to stand only in the run that ends it, so
// that the stripped line is the line with that run cut off, with no search for others.
ClassifiedLine classify(Text line, std::u16string& scratch, bool breaks_at_end = false);
// The same for a line whose leading whitespace the caller has already cut: rest is trim_left(line).
ClassifiedLine classify_after_blanks(Text line, Text rest, std::u16string& scratch, bool breaks_at_end);

// s without CR and LF: a view of s when they only close it (known from breaks_at_end, as for
// classify, or found), otherwise a copy in scratch.
Text without_line_breaks(Text s, std::u16string& scratch, bool breaks_at_end);

// The units of a line that follow the first n units of its stripped line (a line that did not
// begin with the escape marker), with the line breaks among them kept: where the stripped text
// from offset n on stands in the line as written.
Text line_after_stripped(Text line, std::size_t n) noexcept;

// True when a line would not reach the reader as plain text: after leading whitespace, and with
// CR and LF left out, it begins with one of the fourteen markers (the escape marker included).
// That also takes in an escape marker with a line break inside, which the reader reads as text;
// escaping such a line does not change how it reads back.
// The first unit is tested inline: only whitespace or "_" can begin such a line, which rules out
// nearly every line before the full test is called.
bool marker_after_blanks(Text line) noexcept;  // the full test, for any line
inline bool reads_as_marker(Text line) noexcept {
    return !line.empty() && (line[0] == kMarkerPrefix[0] || is_space(line[0])) && marker_after_blanks(line);
}

struct FolderHeader {
    uint8_t kind = 0;  // 4 or 8, plus 0x10 for the "O|" flag
    Text title;        // empty when the header holds none
};
FolderHeader parse_folder_header(Text stripped) noexcept;

struct DataHeader {
    int8_t letterCode = 0;  // 0: none given, the record keeps the code it had
    Text title;
    bool terminated = false;  // a "|_" after the title start
    Text rest;                // what follows the "|_"
};
DataHeader parse_data_header(Text stripped) noexcept;

// The five comment lines and the empty line that open every written file, each ending in CR LF.
Text banner() noexcept;

}  // namespace peltatxt
