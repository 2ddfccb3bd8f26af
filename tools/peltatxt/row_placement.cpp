// row_placement.cpp — placing rows in the folders their paths name, making the folders a path names first.
#include "row_placement.h"

#include <algorithm>
#include <utility>

#include "folder_paths.h"
#include "kinds.h"
#include "records.h"

namespace peltatxt::cli {
namespace {

constexpr const char* kSameTitles = "two folders have this path (sibling folders with the same title)";
constexpr const char* kSlashTitle = "a folder title on this path holds \"/\"";

}  // namespace

std::size_t RowPlacement::add(host::Record r, std::size_t parent) {
    records_.push_back(std::move(r));
    parents_.push_back(parent);
    inside_.push_back(nullptr);
    made_.push_back(false);
    slash_.push_back(false);
    return records_.size() - 1;
}

void RowPlacement::name(std::size_t folder, const std::u16string& inside, bool slash) {
    auto [it, fresh] = named_.try_emplace(inside, Named{folder, slash ? kSlashTitle : nullptr});
    if (!fresh) it->second.ambiguous = kSameTitles;
    inside_[folder] = &it->first;
    slash_[folder] = slash;
}

void RowPlacement::open_chain(std::size_t folder) {
    open_.clear();
    for (std::size_t f = folder; f != kTop; f = parents_[f]) open_.push_back(f);
    std::reverse(open_.begin(), open_.end());
}

std::string RowPlacement::folder_for(const std::u16string& path, std::size_t& folder) {
    // The longest start of the path that names a folder, then a folder made for each step after it.
    std::size_t known = 0;
    folder = kTop;
    for (std::size_t end = path.size(); end > 0; end = path.rfind(u'/', end - 1)) {
        auto it = named_.find(path.substr(0, end));
        if (it == named_.end()) continue;
        if (it->second.ambiguous)
            return "the folder path " + quoted(path.substr(0, end)) + " names no one folder: " + it->second.ambiguous +
                   " (put the row right after its folder's rows)";
        known = end;
        folder = it->second.folder;
        break;
    }
    while (known < path.size()) {
        std::size_t end = std::min(path.find(u'/', known + 1), path.size());
        host::Record made;
        made.kind = PELTATXT_KIND_FOLDER;
        made.title = path.substr(known + 1, end - known - 1);
        bool slash = folder != kTop && slash_[folder];
        std::size_t parent = folder;
        folder = add(std::move(made), parent);
        made_[folder] = true;
        name(folder, path.substr(0, end), slash);
        known = end;
    }
    return {};
}

std::string RowPlacement::place(host::Record r, const std::u16string& path) {
    if (!path.empty() && path[0] != u'/') return "a folder path begins with \"/\" (or is empty at top level)";
    std::size_t folder = kTop;
    if (!path.empty()) {
        while (!open_.empty() && *inside_[open_.back()] != path) open_.pop_back();
        if (!open_.empty()) {
            folder = open_.back();
        } else {
            in_order_ = false;
            if (std::string wrong = folder_for(path, folder); !wrong.empty()) return wrong;
            open_chain(folder);
        }
    } else {
        open_.clear();
    }
    if (open_.size() > kMaxTreeDepth)
        return "folders nest deeper than " + std::to_string(kMaxTreeDepth) + " levels";
    if (!is_folder(r.kind)) {
        add(std::move(r), folder);
        return {};
    }
    std::u16string inside = path + u"/" + r.title;
    auto it = named_.find(inside);
    if (it != named_.end() && made_[it->second.folder] && parents_[it->second.folder] == folder) {
        // The row of a folder made for an earlier path: its kind, comment and macro, in its place.
        std::size_t made = it->second.folder;
        records_[made] = std::move(r);
        made_[made] = false;
        open_.push_back(made);
        return {};
    }
    bool slash = (folder != kTop && slash_[folder]) || r.title.find(u'/') != std::u16string::npos;
    std::size_t added = add(std::move(r), folder);
    name(added, inside, slash);
    open_.push_back(added);
    return {};
}

Records RowPlacement::records() {
    std::size_t n = records_.size();
    std::vector<std::size_t> order;  // positions in list order
    if (in_order_) {
        order.resize(n);
        for (std::size_t i = 0; i < n; ++i) order[i] = i;
    } else {
        // Each folder's records in the order they came, the folders' contents after their own row.
        std::vector<std::size_t> start(n + 2, 0), children(n);
        for (std::size_t i = 0; i < n; ++i) ++start[(parents_[i] == kTop ? 0 : parents_[i] + 1) + 1];
        for (std::size_t k = 1; k < start.size(); ++k) start[k] += start[k - 1];
        std::vector<std::size_t> fill(start.begin(), start.end() - 1);
        for (std::size_t i = 0; i < n; ++i) children[fill[parents_[i] == kTop ? 0 : parents_[i] + 1]++] = i;
        std::vector<std::pair<std::size_t, std::size_t>> stack{{0, start[0]}};  // (node + 1, next child)
        while (!stack.empty()) {
            auto& [node, next] = stack.back();
            if (next == start[node + 1]) {
                stack.pop_back();
                continue;
            }
            std::size_t child = children[next++];
            order.push_back(child);
            stack.emplace_back(child + 1, start[child + 1]);
        }
    }
    std::vector<int32_t> id(n);
    for (std::size_t k = 0; k < n; ++k) id[order[k]] = static_cast<int32_t>(k + 1);
    Records out;
    out.reserve(n);
    for (std::size_t i : order) {
        host::Record& r = records_[i];
        r.id = id[i];
        r.parentId = parents_[i] == kTop ? -1 : id[parents_[i]];
        out.push_back(std::move(r));
    }
    return out;
}

}  // namespace peltatxt::cli
