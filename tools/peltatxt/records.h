// records.h — the words the tool uses for records: kind names, letter codes, and nesting by position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "format/constants.h"
#include "host_io.h"

namespace peltatxt::cli {

constexpr std::ptrdiff_t kTopLevel = -1;

// How many folders may hold a record in JSON (either shape) and CSV, read or written as a tree:
// deeper nesting makes a text grow with the square of its depth (every row of CSV names its
// folders, every level of the tree indents). Data files may nest deeper; they are read whole.
constexpr std::size_t kMaxTreeDepth = 1000;

// "one-time" (1), "locked" (2), "folder" (4), "folder H" (8), "folder O" (0x14) and
// "folder H O" (0x18): the kinds the format keeps. Other values have no name.
std::optional<std::string> kind_name(uint8_t kind);
std::optional<uint8_t> kind_of_name(std::string_view name);

// A kind for a message: its name, or "kind 3".
std::string kind_text(uint8_t kind);

// The letter of a letter code 1..7 as the tool writes it (D E R S C P K), 0 for any other value
// (no letter code); and the letter code of a one-letter name, or 0.
char code_letter(int8_t letterCode);
int8_t letter_code_of(std::string_view letter);
// A letter code for a message: "D" in quotes, none, or the number.
std::string letter_code_text(int8_t code);

// text in double quotes for a message, cut after max_units code units and escaped as excerpt()
// (excerpt.h) escapes it: line breaks, tabs and other control characters written as \r \n \t
// \uXXXX so that the message stays on one line, a lone surrogate as its escape \uD800.
std::string quoted(std::u16string_view text, std::size_t max_units = 60);

// For every record, the position of the folder that holds it, or kTopLevel: folders nest the
// way the writer nests them (OpenFolders in format/rules.h).
std::vector<std::ptrdiff_t> parent_positions(const Records& records);

// The paths of the folders that hold records: "/" and the folder's title for each folder from
// the top, "" at top level ("/Greetings/Business"). A title may itself hold "/", yet the folders
// open at one point all have paths of different lengths, so a path names at most one of them.
//
// A path is kept as a number, so that records nested thousands of folders deep do not each hold
// the whole path: the same number for the same path text in every list one FolderPaths numbers,
// however the titles divide it (a folder "a/b", or a folder "b" in a folder "a"), and 0 for the
// top level. What it keeps grows with the titles of the folders, not with the paths.
class FolderPaths {
public:
    // For every record, the number of the path of the folders that hold it.
    std::vector<std::size_t> of(const Records& records);
    // The path a number stands for.
    std::u16string text(std::size_t path) const;

private:
    // The path of the records inside a folder with this title at path.
    std::size_t inside(std::size_t path, std::u16string_view title);
    struct Step {
        std::size_t parent;  // the path this one continues with "/" and name
        std::u16string name;
    };
    std::deque<Step> steps_;  // path n is steps_[n - 1]; a deque keeps each name where it is
    std::map<std::pair<std::size_t, std::u16string_view>, std::size_t> numbers_;
};

// The fields in which two records differ, in the order kind, letterCode, title, text (a
// folder's is "comment"), macro. Ids, parentId, auxA and auxB are not compared.
std::vector<std::string> differing_fields(const host::Record& a, const host::Record& b);

}  // namespace peltatxt::cli
