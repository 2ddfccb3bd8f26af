// writer.h — renders records into a file of the text format: the work behind writeDataFile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/markers.h"
#include "model/entry_list.h"

namespace peltatxt {

// The file an export goes to: the directory and stem of path plus ".peltatxt". The directory
// ends at the last separator ('/' on POSIX; '\' or '/' on Windows), or is "./" (".\") when the
// path has none; the stem ends at the last full stop after it.
std::u16string output_path(Text path);

// The ways an entry can be written. The bare forms write the text as lines of their own;
// the header forms write a single-line entry (SDT) or a block (DAT).
enum class Form : uint8_t { TRM, DNL, NTR, SDT, DAT };

// The form for an entry written at the given indentation: a bare form only where the reader
// rebuilds the same title and text from it, a single line only where the text fits on one line
// that reads back, a block otherwise.
Form choose_form(Text title, Text data, int8_t letterCode, std::size_t indent);

// Calls emit(chunk) for the pieces of text, with the escape marker emitted before every line
// that would read as a marker line. With guard_pieces, the text is a block body: a line longer
// than a line piece is also escaped at each piece boundary that would read as a marker.
template <class Emit>
void escape_text(Text text, bool guard_pieces, Emit&& emit);

// Writes a list into the file for path. False when the file could not be created, written and
// put in place; any previous file there is then left as it was.
bool write_file(Text path, const EntryListObject* list);

}  // namespace peltatxt

#include "format/escape.inl"
