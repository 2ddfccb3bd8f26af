// escape.cpp — the escape pass: one walk over a text, putting the escape marker where a line would read as a marker.
#include "escape.h"

#include "format/markers.h"
#include "text/line_pieces.h"
#include "text/unicode_text.h"

namespace peltatxt {

void escape_text(Text text, EscapeScope scope, TextSink& out) {
    const Text esc = marker_text(Marker::ESC);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t lf = find_unit(text, u'\n', start);
        std::size_t end = lf == Text::npos ? text.size() : lf + 1;
        Text line = text.substr(start, end - start);
        std::size_t written = 0;  // units of this line written so far, escapes included
        std::size_t from = 0;     // first unit of line not yet put
        if (reads_as_marker(line)) {
            out.put(esc);
            written = esc.size();
        }
        if (scope == EscapeScope::LineAndPieceStarts) {
            // The reader cuts a long line every kMaxPiece written units and classifies each piece.
            std::size_t boundary = kMaxPiece;
            while (written + (line.size() - from) > boundary) {
                std::size_t at = from + (boundary - written);
                if (at >= line.size()) break;
                out.put(line.substr(from, at - from));
                if (reads_as_marker(line.substr(at, kMaxPiece))) {
                    out.put(esc);
                    written = boundary + esc.size();
                } else {
                    written += at - from;
                }
                from = at;
                boundary += kMaxPiece;
            }
        }
        out.put(line.substr(from));
        start = end;
    }
}

}  // namespace peltatxt
