// folder_paths.h — folders as the tool's texts name them: paths from the top, numbered, and how deep the texts nest.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "format/rules.h"
#include "host_io.h"

namespace peltatxt::cli {

// How many folders may hold a record in JSON (either shape) and CSV, read or written as a tree:
// deeper nesting makes a text grow with the square of its depth (every row of CSV names its
// folders, every level of the tree indents). Data files may nest deeper; they are read whole.
constexpr std::size_t kMaxTreeDepth = 1000;

// The paths of the folders that hold records: "/" and the folder's title for each folder from
// the top, "" at top level ("/Greetings/Business"). A title may itself hold "/", yet the folders
// open at one point all have paths of different lengths, so a path names at most one of them.
// Folders nest the way the writer nests them (folder_positions in format/rules.h).
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

}  // namespace peltatxt::cli
