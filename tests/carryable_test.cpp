// carryable_test.cpp — the round-trip fuzz target's carryability rule, case by case, against a real export and import.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "carryable.h"
#include "fuzz_support.h"
#include "model/shared_string.h"
#include <peltatxt.h>
#include "support/records.h"

namespace peltatxt::fuzz {
namespace {

host::Record rec(uint8_t kind, std::u16string title, std::u16string data, std::u16string macro = u"", int8_t code = 0) {
    return testing::rec(kind, 1, -1, std::move(title), std::move(data), std::move(macro), code);
}

// Exports the record alone and imports it again; empty when no record or several came back.
std::vector<host::Record> round_trip(const host::Record& r) {
    host::HostList list;
    list.append(r);
    std::string base = scratch_dir() + "/carry";
    EXPECT_EQ(writeDataFile(SharedString(wide(base + ".txt")).release(), list.get()), 1);
    return host::records_of(readDataFile(SharedString(wide(base + ".peltatxt")).release()));
}

bool comes_back_equal(const host::Record& r) {
    std::vector<host::Record> out = round_trip(r);
    return out.size() == 1 && testing::same_content(out[0], r);
}

struct Case {
    const char* what;
    host::Record record;
    bool carryable;
};

TEST(Carryable, RecordsTheRuleAcceptsComeBackAndTheRejectedOnesAreReallyChanged) {
    const Case cases[] = {
        {"entry, title and text", rec(2, u"t", u"text"), true},
        {"one-time entry with letter code", rec(1, u"t", u"a\r\nb", u"", 7), true},
        {"letter code 8 counts as none", rec(2, u"t", u"t", u"", 8), false},
        {"negative letter code", rec(2, u"t", u"t", u"", -1), false},
        {"kind 0", rec(0, u"t", u"x"), false},
        {"kind 3", rec(3, u"t", u"x"), false},
        {"title with terminator", rec(2, u"a|_b", u"x"), false},
        {"title with line break", rec(2, u"a\r\nb", u"x"), false},
        {"title starting with a letter code", rec(2, u"D|x", u"y"), false},
        {"same title with the code written", rec(2, u"D|x", u"y", u"", 1), true},
        {"lone code letter as title", rec(2, u"K", u"y"), false},
        {"lone code letter as title and text (bare line)", rec(2, u"K", u"K"), true},
        {"code-like title as its own text (bare line)", rec(2, u"D|x", u"D|x"), true},
        {"text with surrounding blanks (DNL)", rec(2, u"D|x", u"  D|x\u3000"), true},
        {"text ending in its only LF (NTR)", rec(2, u"D|x", u" D|x\r\n"), true},
        {"text with a second line", rec(2, u"D|x", u"D|x\r\n "), false},
        {"empty title, text", rec(2, u"", u"x"), false},
        {"empty title and text with macro", rec(2, u"", u"", u"m"), true},
        {"title, empty text", rec(2, u"t", u""), true},
        {"macro lines joined by CR LF", rec(2, u"t", u"x", u"a \r\n\r\nb\r\n"), true},
        {"macro with a lone LF", rec(2, u"t", u"x", u"a\nb"), false},
        {"macro with a lone CR", rec(2, u"t", u"x", u"a\rb"), false},
        {"macro starting with an empty line", rec(2, u"t", u"x", u"\r\nb"), false},
        {"text with markers and lone CR and LF", rec(2, u"t", u"_|PELTATXT-DED|_\r\n  _|PELTATXT-FED|_\n\r"), true},
        {"folder", rec(0x04, u"f", u"comment\r\n\r\nline", u"m"), true},
        {"folder H O", rec(0x18, u"f", u""), true},
        {"folder title with H| in reach", rec(0x04, u"xH|y", u""), false},
        {"folder title with H| out of reach", rec(0x04, u"xyzH|", u""), true},
        {"folder title ending in O", rec(0x08, u"O", u""), false},
        {"folder title ending in O out of reach", rec(0x08, u"abO", u""), true},
        {"folder of kind 0x0C", rec(0x0C, u"f", u""), false},
        {"folder with letter code", rec(0x04, u"f", u"", u"", 2), false},
        {"folder with empty title", rec(0x04, u"", u""), false},
        {"folder comment line with trailing blank", rec(0x04, u"f", u"c \r\nd"), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(carryable(c.record, 0), c.carryable) << c.what;
        EXPECT_EQ(comes_back_equal(c.record), c.carryable) << c.what;
    }
    endDLL();
}

TEST(Carryable, LongTextsAndDeepNestingAreLeftOut) {
    EXPECT_TRUE(carryable(rec(2, u"t", std::u16string(kCarryLimit, u'x')), kCarryLimit));
    EXPECT_FALSE(carryable(rec(2, u"t", std::u16string(kCarryLimit + 1, u'x')), 0));
    EXPECT_FALSE(carryable(rec(2, u"t", u"x"), kCarryLimit + 1));
    EXPECT_FALSE(carryable(rec(2, u"t", u"x", std::u16string(kCarryLimit + 1, u'm')), 0));
}

// Found by the round-trip target (fuzz/corpus/round_trip/finding-*): an entry without text whose
// title a data header gave back empty was written as a header the reader makes no record of, so
// the entry was lost although it had a title.
TEST(FuzzFindings, AnEntryWithATitleIsNeverLost) {
    for (const char16_t* title : {u"|_x", u"|_", u"D", u"D||_", u"K|_"}) {
        std::vector<host::Record> out = round_trip(rec(2, title, u""));
        ASSERT_EQ(out.size(), 1u) << show(title);
        EXPECT_FALSE(out[0].title.empty()) << show(title);
    }
    endDLL();
}

}  // namespace
}  // namespace peltatxt::fuzz
