// entry_lists.h — test records as the codec's own list (EntryList) and paths as string handles, for the tests that link the codec.
#pragma once

#include <filesystem>
#include <vector>

#include "model/entry_list.h"
#include "model/shared_string.h"
#include "support/files.h"
#include "support/records.h"

namespace peltatxt::testing {

// The records in order, as the codec's owner of a list in the shared layout (host fields left 0).
inline EntryList make_list(const std::vector<Rec>& recs) {
    EntryList list;
    for (const Rec& r : recs) {
        NewRecord n;
        n.kind = r.kind;
        n.letterCode = r.letterCode;
        n.id = r.id;
        n.parentId = r.parentId;
        n.title = SharedString(r.title);
        n.data = SharedString(r.data);
        n.macro = SharedString(r.macro);
        list.append(std::move(n));
    }
    return list;
}

// A path as the string handle that readDataFile and writeDataFile take over, as the host passes it.
inline peltatxt_unit* handle(const std::filesystem::path& p) { return SharedString(u16(p)).release(); }

}  // namespace peltatxt::testing
