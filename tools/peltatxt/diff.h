// diff.h — what differs between two collections: records matched by folder path and title, then listed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "host_io.h"
#include "folder_paths.h"
#include "records.h"
#include "sink.h"

namespace peltatxt::cli {

// One difference between the collection before and the one after.
struct Change {
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    enum class What { Added, Removed, Changed, Moved };
    What what;
    std::size_t before = kNone;       // position in the collection before; kNone for an added record
    std::size_t after = kNone;        // position in the collection after; kNone for a removed record
    std::vector<std::string> fields;  // for a changed record: the fields that differ
};

// Compares two collections. A record is the same record in both when it has the same folder
// path and title; where several records share both, the first before is the first after, and
// so on. Such a pair whose fields differ is "changed". A record left over before and one left
// over after with the same title and fields, in different folders, have "moved". The rest were
// "removed" (only before) or "added" (only after). Ids and the host's auxA and auxB are not
// compared.
class CollectionDiff {
public:
    // breaks: how texts' line breaks compare.
    CollectionDiff(const Records& before, const Records& after, Breaks breaks = Breaks::Exact);
    const std::vector<Change>& changes() const { return changes_; }

    // For people, like a unified diff of a tree: a header naming both collections, then per
    // folder an "@@" line and one line per record ("-" removed, "+" added, "~" changed with a line
    // per field and an excerpt around the first difference, ">" moved), and a count. Nothing when
    // the collections are equal.
    std::string text(const std::string& name_before, const std::string& name_after) const;
    void write_text(const std::string& name_before, const std::string& name_after, Sink& out) const;

    // For programs: a JSON array of the changes, each with "change", "folder", "title" and
    // "kind", "from" for a moved record and "fields" with the values before and after for a
    // changed one; texts whole, every code unit kept.
    std::string json() const;
    void write_json(Sink& out) const;

private:
    const Records& before_;
    const Records& after_;
    FolderPaths paths_;  // numbers the folder paths of both collections alike
    std::vector<std::size_t> paths_before_, paths_after_;
    std::vector<Change> changes_;
};

// What diff writes for two collections: the changes as JSON when json, else as text naming them
// name_before and name_after. True when they are equal.
bool write_diff(const Records& before, const Records& after, const std::string& name_before,
                const std::string& name_after, bool json, Sink& out, Breaks breaks = Breaks::Exact);

}  // namespace peltatxt::cli
