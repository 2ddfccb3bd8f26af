// format_test_support.h — reading text through the reader and writing lists through the writer, in memory.
#pragma once

#include <string>
#include <vector>

#include "format/reader.h"
#include "format/writer.h"
#include "support/entry_lists.h"
#include "support/files.h"
#include "support/input.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace peltatxt::testing {

inline constexpr int32_t kSeed = 1000;

// An entry with the fields tests vary most, in the order they vary.
Rec E(std::u16string title, std::u16string data, uint8_t kind = PELTATXT_KIND_LOCKED, int8_t code = 0,
      std::u16string macro = u"", int32_t id = 0, int32_t parent = kNoParent);

// The records the reader makes of text held in memory, cut into line pieces by the file reader's
// own splitter (a leading U+FEFF would be taken for the byte-order mark).
std::vector<Rec> read_text(std::u16string_view text, int32_t seed = kSeed);

// The text the writer makes of records (without the byte-order mark), written to memory.
std::u16string write_text_of(const std::vector<Rec>& recs);

// The banner every written file starts with, as its lines are written out here (an expectation
// independent of the writer's own copy).
inline const std::u16string kBanner = doc({
    CMT + u"*************************************",
    CMT + u"*** Pelta \u30C6\u30AD\u30B9\u30C8\u30C7\u30FC\u30BF",
    CMT + u"*** by RW_PeltaTxt ver. 1.1",
    CMT + u"*** \u5BFE\u5FDC Pelta \u30D0\u30FC\u30B8\u30E7\u30F3\uFF1APelta3\uFF5E\uFF1F",
    CMT + u"*************************************",
    u"",
});

// Records with ids and parents renumbered the way the reader numbers them, from seed, so that
// written and read-back lists compare equal.
std::vector<Rec> renumbered(const std::vector<Rec>& recs, int32_t seed = kSeed);

}  // namespace peltatxt::testing
