// list_decoder.h — turns fuzz bytes into a host list: records of every kind, nesting and text the format has to cope with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "plugin_host.h"

namespace peltatxt::fuzz {

// Each record takes a kind byte, a letter-code byte, a parent byte and three strings (title,
// data, macro). A string is a length byte followed by that many tokens: a token byte picks a
// fragment the format reacts to (every marker, the title terminator, folder flags, letter codes,
// line breaks, whitespace, U+0000, U+FFFF, lone surrogates, ...), a printable character, or with
// 0xF0 and above a raw code unit from the next two bytes. Ids are unique; the parent byte picks
// an open folder (closing the ones inside it), top level, or an id that names no open folder.
std::vector<host::Record> decode_list(const uint8_t* data, std::size_t size);

}  // namespace peltatxt::fuzz
