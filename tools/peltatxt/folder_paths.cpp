// folder_paths.cpp — numbering the folder paths of record lists by the text of each path.
#include "folder_paths.h"

namespace peltatxt::cli {

std::vector<std::size_t> FolderPaths::of(const Records& records) {
    std::vector<std::ptrdiff_t> parents = folder_positions(records);
    std::vector<std::size_t> paths(records.size(), 0), inner(records.size(), 0);
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (parents[i] != kTopLevel) paths[i] = inner[static_cast<std::size_t>(parents[i])];
        if (is_folder(records[i].kind)) inner[i] = inside(paths[i], records[i].title);
    }
    return paths;
}

std::size_t FolderPaths::inside(std::size_t path, std::u16string_view title) {
    // One step per piece of the title between slashes: the text of a path is all that counts.
    for (std::size_t from = 0;; ++from) {
        std::size_t slash = title.find(u'/', from);
        std::u16string_view name = title.substr(from, slash == std::u16string_view::npos ? slash : slash - from);
        auto found = numbers_.find({path, name});
        if (found != numbers_.end()) {
            path = found->second;
        } else {
            steps_.push_back({path, std::u16string(name)});
            numbers_.emplace(std::pair<std::size_t, std::u16string_view>(path, steps_.back().name), steps_.size());
            path = steps_.size();
        }
        if (slash == std::u16string_view::npos) return path;
        from = slash;
    }
}

std::u16string FolderPaths::text(std::size_t path) const {
    std::vector<const std::u16string*> names;
    for (; path != 0; path = steps_[path - 1].parent) names.push_back(&steps_[path - 1].name);
    std::u16string out;
    for (std::size_t k = names.size(); k-- > 0;) out.append(u"/").append(*names[k]);
    return out;
}

}  // namespace peltatxt::cli
