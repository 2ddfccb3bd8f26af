// format_test_support.h — reading text through the reader and writing lists through the writer, in memory and on disk.
#pragma once

#include <string>
#include <vector>

#include "format/reader.h"
#include "format/writer.h"
#include "test_support.h"

namespace peltatxt::testing {

inline constexpr int32_t kSeed = 1000;

// The records the reader makes of text (no byte-order mark, already split at nothing: the text is
// cut into line pieces exactly as the file reader does).
std::vector<Rec> read_text(std::u16string_view text, int32_t seed = kSeed);

// The text the writer makes of records (without the byte-order mark).
std::u16string write_text_of(const std::vector<Rec>& recs);

// The banner every written file starts with.
std::u16string banner_text();

// Records with ids and parents renumbered the way the reader numbers them, from seed, so that
// written and read-back lists compare equal.
std::vector<Rec> renumbered(const std::vector<Rec>& recs, int32_t seed = kSeed);

}  // namespace peltatxt::testing
