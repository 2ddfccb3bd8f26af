// kinds.h — the names the tool gives kinds and letter codes, read and written alike from one table each.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace peltatxt::cli {

// "one-time" (1), "locked" (2), "folder" (4), "folder H" (8), "folder O" (0x14) and
// "folder H O" (0x18): the kinds the format keeps. Other values have no name.
std::optional<std::string> kind_name(uint8_t kind);
std::optional<uint8_t> kind_of_name(std::string_view name);

// Every kind name in order, separated by ", ", each in double quotes when quoted: for the
// messages that list what a kind may be.
std::string kind_names(bool quoted);

// A kind for a message: its name, or "kind 3".
std::string kind_text(uint8_t kind);

// The letter of a letter code 1..7 as the tool writes it (D E R S C P K), 0 for any other value
// (no letter code); and the letter code of a one-letter name, or 0.
char code_letter(int8_t letterCode);
int8_t letter_code_of(std::string_view letter);
// A letter code for a message: "D" in quotes, none, or the number.
std::string letter_code_text(int8_t code);

}  // namespace peltatxt::cli
