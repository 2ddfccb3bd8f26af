// escape.inl — the escape pass: one walk over a text, emitting the escape marker where a line would read as a marker.
#pragma once

#include "text/line_pieces.h"
#include "text/unicode_text.h"

namespace peltatxt {

template <class Emit>
void escape_text(Text text, bool guard_pieces, Emit&& emit) {
    const Text esc = marker_text(Marker::ESC);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t lf = find_unit(text, u'\n', start);
        std::size_t end = lf == Text::npos ? text.size() : lf + 1;
        Text line = text.substr(start, end - start);
        std::size_t written = 0;  // units of this line written so far, escapes included
        std::size_t from = 0;     // first unit of line not yet emitted
        if (reads_as_marker(line)) {
            emit(esc);
            written = esc.size();
        }
        if (guard_pieces) {
            // The reader cuts a long line every kMaxPiece written units and classifies each piece.
            std::size_t boundary = kMaxPiece;
            while (written + (line.size() - from) > boundary) {
                std::size_t at = from + (boundary - written);
                if (at >= line.size()) break;
                if (reads_as_marker(line.substr(at, kMaxPiece))) {
                    emit(line.substr(from, at - from));
                    emit(esc);
                    written = boundary + esc.size();
                    from = at;
                } else {
                    written += at - from;
                    emit(line.substr(from, at - from));
                    from = at;
                }
                boundary += kMaxPiece;
            }
        }
        emit(line.substr(from));
        start = end;
    }
}

}  // namespace peltatxt
