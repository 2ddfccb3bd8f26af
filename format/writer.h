// writer.h — renders records into the text format, to a byte sink: the work behind writeDataFile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/constants.h"
#include "format/markers.h"
#include "format/rules.h"
#include "model/entry_list.h"
#include "text/byte_sink.h"

namespace peltatxt {

// The ways an entry can be written, named as the reader's handlers read them back: bare lines,
// the text as lines of their own, read back in the bare-line mode the form names (TRM, DNL or
// NTR); a single line, an SDT header with the text after its title; a block, a DAT header, the
// text's lines and a DED line.
enum class Form : uint8_t { BareTRM, BareDNL, BareNTR, SingleLine, Block };
// The bare-line mode a bare form is read back in; none for a single line or a block.
constexpr std::optional<BareMode> bare_mode_of(Form f) noexcept {
    switch (f) {
        case Form::BareTRM: return BareMode::TRM;
        case Form::BareDNL: return BareMode::DNL;
        case Form::BareNTR: return BareMode::NTR;
        case Form::SingleLine:
        case Form::Block: break;
    }
    return std::nullopt;
}

// The form for an entry written at the given indentation: a bare form only where the reader
// rebuilds the same title and text from it, a single line only where the text fits on one line
// that reads back, a block otherwise.
Form choose_form(Text title, Text data, int8_t letterCode, std::size_t indent);

// Writes a list into sink, byte-order mark first. False when the sink failed.
bool write_list(const EntryListObject* list, ByteSink& sink);

// The bytes a data file of the list holds (byte-order mark and all), made in memory.
// Throws std::bad_alloc.
std::string write_memory(const EntryListObject* list);

}  // namespace peltatxt
