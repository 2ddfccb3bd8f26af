// literal_reader.h — the import rules stated plainly and literally, line by line, to check the reader against.
//
// Nothing here comes from format/ or text/: the whitespace class, the markers, the line pieces,
// the classification and the per-line rules are written out again in the simplest form, with
// whole strings and no views, so that a fault in the reader does not hide behind shared code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/records.h"

namespace peltatxt::literal {

// The places where the reader deliberately reads a file otherwise than the rules as they stand.
// All off is the rules to the letter; the reader's choices are Choices::ours().
struct Choices {
    // A DED line outside a data block does nothing. To the letter it acts on the record under
    // construction as the last header or entry left it, and can append a further copy of it.
    bool ignore_stray_block_end = false;
    // A folder record always carries letter code 0. To the letter it carries the code of a
    // block its header cut short.
    bool folders_without_letter_code = false;
    // An SDT line with a title and an empty text gives a record. To the letter it gives one
    // only when a macro is pending.
    bool keep_titled_single_lines = false;
    // An escape marker written as such right after an SDT line's title terminator (no line break
    // inside it or before it) is no part of the text. To the letter the text keeps it.
    bool drop_escape_after_single_line_title = false;

    static Choices ours() { return {true, true, true, true}; }
};

// How a line classified: the thirteen marker classes, an escaped line, and any other text.
enum class Class { CMT, FCM, MAC, OneTime, Locked, NTR, DNL, TRM, FLD, FED, DAT, SDT, DED, Escaped, Text, Count };

// Reads the bytes of a file as the import does, with ids counted from seed. When seen is given
// (Class::Count entries), each line's class is counted in it.
std::vector<testing::Rec> read(std::string_view bytes, int32_t seed, const Choices& choices,
                               std::vector<int>* seen = nullptr);

}  // namespace peltatxt::literal
