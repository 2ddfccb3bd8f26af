// json_text.h — JSON text whose strings are units UTF-8: lone surrogates written and read as \uD800 escapes.
//
// JSON strings are Unicode text, but their \u escapes can name any UTF-16 code unit, and a lone
// surrogate escape such as "\uD800" is valid JSON syntax. The tool writes every lone surrogate
// of a text as such an escape and reads exactly those back as the lone unit, so JSON carries
// every code unit of a record. Everything else is ordinary JSON: the writer escapes what JSON
// requires and writes the rest as UTF-8; the reader accepts any valid JSON text.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace peltatxt::cli {

using Json = nlohmann::ordered_json;

// The document pretty-printed with an indent of two blanks, its strings taken as units UTF-8
// (code_units.h), without a final line break.
std::string json_text(const Json& doc);

// The same for a value inside a document, depth levels down (its lines indented 2 * depth blanks
// more), appended to out: for writing a long document piece by piece.
void append_json_text(std::string& out, const Json& value, std::size_t depth);
// A string literal of a units UTF-8 text, as json_text writes one.
void append_json_string(std::string& out, std::string_view text);

// Parses JSON text; strings come out as units UTF-8, with a lone surrogate escape giving that
// unit. Invalid JSON throws nlohmann::json::parse_error with line and column.
Json parse_json_text(std::string_view text);

// Parses JSON text into events for a reader of its own (nlohmann-json's SAX interface) as the
// parser goes, without a document: strings and keys reach it as units UTF-8, a lone surrogate
// escape giving that unit. Returns false when a handler stopped the parse (as parse_error does).
bool parse_json_events(std::string_view text, nlohmann::json_sax<Json>& events);

}  // namespace peltatxt::cli
