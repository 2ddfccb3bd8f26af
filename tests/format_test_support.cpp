// format_test_support.cpp — in-memory helpers around the reader and the writer.
#include "format_test_support.h"

#include <gtest/gtest.h>

#include <map>


namespace peltatxt::testing {

Rec E(std::u16string title, std::u16string data, uint8_t kind, int8_t code, std::u16string macro, int32_t id,
      int32_t parent) {
    return rec(kind, id, parent, std::move(title), std::move(data), std::move(macro), code);
}

std::vector<Rec> read_text(std::u16string_view text, int32_t seed) {
    EntryList list;
    read_memory(std::as_bytes(std::span(text)), list.object(), static_cast<uint32_t>(seed));
    return records_of(list.get());
}

std::u16string write_text_of(const std::vector<Rec>& recs) {
    EntryList list = make_list(recs);
    std::u16string text = from_utf16le(write_memory(list.get()));
    EXPECT_EQ(text.substr(0, 1), u"\uFEFF");
    return text.substr(1);
}

std::vector<Rec> renumbered(const std::vector<Rec>& recs, int32_t seed) {
    std::map<int32_t, int32_t> ids;
    std::vector<Rec> out = recs;
    int32_t next = seed;
    for (Rec& r : out) {
        int32_t id = next++;
        auto parent = ids.find(r.parentId);
        r.parentId = parent == ids.end() ? kNoParent : parent->second;
        ids[r.id] = id;
        r.id = id;
    }
    return out;
}

}  // namespace peltatxt::testing
