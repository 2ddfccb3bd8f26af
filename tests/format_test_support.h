// format_test_support.h — reading text through the reader and writing lists through the writer, in memory and on disk.
#pragma once

#include <string>
#include <vector>

#include "format/reader.h"
#include "format/writer.h"
#include "test_support.h"

namespace peltatxt::testing {

inline constexpr int32_t kSeed = 1000;

// The markers as strings, for building file texts in tests.
inline const std::u16string CMT = u"_|PELTATXT-CMT|_", FCM = u"_|PELTATXT-FCM|_", MAC = u"_|PELTATXT-MAC|_",
                            ONE = u"_|PELTATXT-1TM|_", LCK = u"_|PELTATXT-LCK|_", NTR = u"_|PELTATXT-NTR|_",
                            DNL = u"_|PELTATXT-DNL|_", TRM = u"_|PELTATXT-TRM|_", FLD = u"_|PELTATXT-FLD|",
                            FED = u"_|PELTATXT-FED|_", DAT = u"_|PELTATXT-DAT|", SDT = u"_|PELTATXT-SDT|",
                            DED = u"_|PELTATXT-DED|_", ESC = u"_|PELTATXT-ESC|_";
inline const std::u16string NL = u"\r\n";

// An entry with the fields tests vary most, in the order they vary.
Rec E(std::u16string title, std::u16string data, uint8_t kind = PELTATXT_KIND_LOCKED, int8_t code = 0,
      std::u16string macro = u"", int32_t id = 0, int32_t parent = kNoParent);

// The records the reader makes of text held in memory, cut into line pieces by the file reader's
// own splitter (a leading U+FEFF would be taken for the byte-order mark).
std::vector<Rec> read_text(std::u16string_view text, int32_t seed = kSeed);

// The text the writer makes of records (without the byte-order mark).
std::u16string write_text_of(const std::vector<Rec>& recs);

// The banner every written file starts with.
std::u16string banner_text();

// Records with ids and parents renumbered the way the reader numbers them, from seed, so that
// written and read-back lists compare equal.
std::vector<Rec> renumbered(const std::vector<Rec>& recs, int32_t seed = kSeed);

}  // namespace peltatxt::testing
