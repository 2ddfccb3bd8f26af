// row_placement.h — records read as rows in any order, each placed in the folder its path names.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "host_io.h"

namespace peltatxt::cli {

// Builds a list from records given with the path of their folder ("/A/B", "" at top level). A
// record whose folder is open at that point (the last record's folder or one holding it) goes
// there, as the writer lists them. Any other is looked up by its path among every folder so far;
// a folder the path names that does not exist yet is made where it is first named (kind "folder",
// no comment), and a folder record for it that comes later gives it its kind, comment and macro
// in place. The records of a folder keep their relative order. So rows in the writer's order give
// the same list, and rows sorted or added at the end go where their paths say.
class RowPlacement {
public:
    // Places r (its id and parentId are set by records()). Empty, or what is wrong with path.
    std::string place(host::Record r, const std::u16string& path);
    // The records in list order, with ids 1, 2, ... and parent ids.
    Records records();

private:
    static constexpr std::size_t kTop = static_cast<std::size_t>(-1);
    struct Named {
        std::size_t folder;
        const char* ambiguous;  // why the path names no one folder, or nullptr
    };
    // The folder that path names, making it (and the folders above it) when none does.
    std::string folder_for(const std::u16string& path, std::size_t& folder);
    std::size_t add(host::Record r, std::size_t parent);
    void name(std::size_t folder, const std::u16string& inside, bool slash);
    void open_chain(std::size_t folder);

    Records records_;
    std::vector<std::size_t> parents_;       // per record, its folder's index or kTop
    std::vector<const std::u16string*> inside_;  // per record, a folder's path for what is in it
    std::vector<bool> made_;                 // per record, a folder made for a path and not yet given by a row
    std::vector<bool> slash_;                // per record, a folder under a title holding "/"
    std::unordered_map<std::u16string, Named> named_;
    std::vector<std::size_t> open_;          // the open folders, outermost first
    bool in_order_ = true;                   // every record so far went where the writer puts it
};

}  // namespace peltatxt::cli
