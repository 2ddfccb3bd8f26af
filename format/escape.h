// escape.h — the escape pass: a text emitted with the escape marker before each of its lines that would read as a marker.
#pragma once

#include <cstdint>

#include "format/constants.h"

namespace peltatxt {

// Where the escape pass looks: at the start of every line of the text; or, for a block body,
// also at each line-piece boundary of a long line, since the reader classifies every piece.
enum class EscapeScope : uint8_t { LineStarts, LineAndPieceStarts };

// Takes text in the order it is produced.
class TextSink {
public:
    virtual void put(Text chunk) = 0;

protected:
    ~TextSink() = default;
};

// Puts text into out, with the escape marker put before every line (and, by scope, line piece)
// that would read as a marker line. Heap-free: out receives views of text and of the marker.
void escape_text(Text text, EscapeScope scope, TextSink& out);

}  // namespace peltatxt
