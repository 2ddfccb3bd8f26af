// escape.cpp — the escape pass: one walk over a text, putting the escape marker where a line would read as a marker.
#include "escape.h"

#include "format/markers.h"
#include "text/line_pieces.h"
#include "text/unicode_text.h"

namespace peltatxt {
namespace {

// Puts a text in few pieces: the units between two escapes go out as one view, or as views of
// about kRunUnits each ending at a line end.
class RunWriter {
public:
    RunWriter(Text text, TextSink& out) : text_(text), out_(out) {}
    // Puts the units up to at, then the escape marker.
    void escape_at(std::size_t at) {
        put_to(at);
        out_.put(marker_text(Marker::ESC));
    }
    void put_to(std::size_t at) {
        if (at > from_) out_.put(text_.substr(from_, at - from_));
        from_ = at;
    }
    // Puts the units up to at once they are this many: a long text is copied while the units
    // just searched are still in the processor's cache, not in a second pass through memory.
    void put_to_if_longer(std::size_t at, std::size_t units) {
        if (at - from_ >= units) put_to(at);
    }

private:
    Text text_;
    TextSink& out_;
    std::size_t from_ = 0;  // first unit not yet put
};

// About 16 KiB: well inside the cache of any processor the plug-in runs on.
constexpr std::size_t kRunUnits = 8192;

// Puts a text none of whose lines is long enough to be cut into line pieces, so that only line
// starts need the test. A line can read as a marker only where its first non-blank unit is the
// marker prefix's "_": the search is for that unit, which ordinary text rarely holds, and not for
// every line. Each candidate line is tested once; any other "_" on it has a unit before it.
void escape_line_starts(Text text, RunWriter& run) {
    constexpr char16_t kFirst = kMarkerPrefix[0];
    for (std::size_t at = find_unit(text, kFirst); at != Text::npos;) {
        std::size_t start = at;
        while (start > 0 && text[start - 1] != u'\n' && is_space(text[start - 1])) --start;
        if (start > 0 && text[start - 1] != u'\n') {  // not the first non-blank unit of its line
            at = find_unit(text, kFirst, at + 1);
            continue;
        }
        std::size_t lf = find_unit(text, u'\n', at);
        std::size_t end = lf == Text::npos ? text.size() : lf + 1;
        if (marker_after_blanks(text.substr(start, end - start))) run.escape_at(start);
        at = find_unit(text, kFirst, end);
    }
}

// Puts a text line by line, testing each line's start and, by scope, where a line is long enough
// to be cut into line pieces, each piece's start as the reader will cut it.
void escape_lines(Text text, EscapeScope scope, RunWriter& run) {
    constexpr std::size_t kEscape = marker_text(Marker::ESC).size();
    UnitScanner lfs(text, u'\n');
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t lf = lfs.next();
        std::size_t end = lf == Text::npos ? text.size() : lf + 1;
        Text line = text.substr(start, end - start);
        bool escaped = reads_as_marker(line);
        if (escaped) run.escape_at(start);
        if (scope == EscapeScope::LineAndPieceStarts) {
            // The reader cuts a long line every kMaxPiece written units and classifies each piece.
            std::size_t written = escaped ? kEscape : 0;  // units of this line written, escapes included
            std::size_t from = 0;                         // line units counted in written
            for (std::size_t boundary = kMaxPiece; written + (line.size() - from) > boundary; boundary += kMaxPiece) {
                std::size_t at = from + (boundary - written);
                if (at >= line.size()) break;
                if (reads_as_marker(line.substr(at, kMaxPiece))) {
                    run.escape_at(start + at);
                    written = boundary + kEscape;
                } else {
                    written += at - from;
                }
                from = at;
            }
        }
        start = end;
        run.put_to_if_longer(start, kRunUnits);
    }
}

}  // namespace

void escape_text(Text text, EscapeScope scope, TextSink& out) {
    RunWriter run(text, out);
    // With its escape marker, a line no longer than this is one line piece; a text no longer than
    // it is searched whole and put in one view, while its units are still in the processor's cache.
    constexpr std::size_t kOnePiece = kMaxPiece - marker_text(Marker::ESC).size();
    if (text.size() <= kOnePiece)
        escape_line_starts(text, run);
    else
        escape_lines(text, scope, run);
    run.put_to(text.size());
}

}  // namespace peltatxt
