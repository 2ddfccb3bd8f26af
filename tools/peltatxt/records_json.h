// records_json.h — records as JSON and back: the nested tree a person reads, and the host's flat list.
//
// Both shapes are an array of record objects with the fields spelled out: "kind", "letterCode",
// "title", "text" (an entry's text) or "comment" (a folder's text), and "macro".
//   tree: folders hold their records in "children"; a letter code, a comment or a macro that
//         is not there is left out.
//   flat: the host's list in its order, every field present, plus "id", "parentId", "auxA" and
//         "auxB"; a record's folder is the earlier folder whose "id" its "parentId" names.
// "kind" is "one-time", "locked", "folder", "folder H", "folder O" or "folder H O", or the raw
// number for any other value; "letterCode" is one of "D" "E" "R" "S" "C" "P" "K", null for none,
// or the raw number for a value outside 1..7. Texts are UTF-8; a lone surrogate, which UTF-8
// cannot carry, is written as its \u escape ("\uD800") and read back as that unit, so every code
// unit of a record comes back (json_text.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "host_io.h"
#include "json_text.h"
#include "sink.h"

namespace peltatxt::cli {

enum class Shape { Tree, Flat };

// A record's "kind" and "letterCode" values, as both shapes write them.
Json kind_json(uint8_t kind);
Json letter_code_json(int8_t code);

// Pretty-printed UTF-8 JSON, ending in a line break. source names the records' file in the
// message of a failure (a tree nested too deep).
std::string records_to_json(const Records& records, Shape shape, const std::string& source);
// The same, a piece at a time; a tree nested too deep is refused before anything is written.
void write_json(const Records& records, Shape shape, const std::string& source, Sink& out);

// Reads either shape. Records of the tree shape get ids 1, 2, ... in order. Fails with a message
// naming source and the line and column of invalid JSON, or the record and field at fault.
Records records_from_json(std::string_view json, const std::string& source);

}  // namespace peltatxt::cli
