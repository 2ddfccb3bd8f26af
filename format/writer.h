// writer.h — renders records into a file of the text format, saved or in memory: the work behind writeDataFile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/constants.h"
#include "format/markers.h"
#include "format/rules.h"
#include "model/entry_list.h"

namespace peltatxt {

// The file an export goes to is output_path (format/rules.h), which the tool applies as well.

// The ways an entry can be written. The bare forms write the text as lines of their own, read
// back in the bare-line mode of the same name; the header forms write a single-line entry (SDT)
// or a block (DAT).
enum class Form : uint8_t { TRM, DNL, NTR, SDT, DAT };
constexpr bool is_bare(Form f) noexcept { return f == Form::TRM || f == Form::DNL || f == Form::NTR; }
// The bare-line mode a bare form is read back in.
constexpr BareMode bare_mode_of(Form f) noexcept {
    switch (f) {
        case Form::DNL: return BareMode::DNL;
        case Form::NTR: return BareMode::NTR;
        default: return BareMode::TRM;
    }
}

// The form for an entry written at the given indentation: a bare form only where the reader
// rebuilds the same title and text from it, a single line only where the text fits on one line
// that reads back, a block otherwise.
Form choose_form(Text title, Text data, int8_t letterCode, std::size_t indent);

// Writes a list into the file for path. False when the file could not be created, written and
// put in place; any previous file there is then left as it was.
bool write_file(Text path, const EntryListObject* list);

// The bytes write_file would save for a list (byte-order mark and all), made in memory.
// Throws std::bad_alloc.
std::string write_memory(const EntryListObject* list);

}  // namespace peltatxt
