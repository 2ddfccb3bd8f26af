// entry_lists.h — test records as the codec's own list (EntryList), for the tests that link the codec.
#pragma once

#include <vector>

#include "model/entry_list.h"
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

}  // namespace peltatxt::testing
