// round_trip_test.cpp — random lists of records the format carries exactly survive export and import unchanged.
#include <gtest/gtest.h>

#include <random>

#include "format_test_support.h"
#include "support/random_choices.h"

namespace peltatxt {
namespace {
using namespace testing;

// Builds random lists from pieces chosen to hit the format's edges: markers, blanks, line breaks
// of every kind, Japanese text, ideographic spaces.
class Generator : RandomChoices {
public:
    explicit Generator(uint32_t seed) : RandomChoices(seed) {}

    std::vector<Rec> list() {
        std::vector<Rec> out;
        std::vector<int32_t> open;  // folders that may still take children
        int32_t id = 100;
        int n = pick(0, 40);
        for (int i = 0; i < n; ++i) {
            while (!open.empty() && chance(25)) open.pop_back();
            int32_t parent = open.empty() ? kNoParent : open.back();
            if (chance(20)) {
                Rec f = folder(id, parent, title(), folder_kind());
                if (chance(40)) f.data = lines(false);
                if (chance(30)) f.macro = lines(true);
                open.push_back(id);
                out.push_back(std::move(f));
            } else {
                Rec e = entry(id, parent, title(), text(), chance(50) ? 1 : 2);
                if (chance(30)) e.letterCode = static_cast<int8_t>(pick(1, 7));
                if (chance(20)) e.data = e.title;                      // bare-line candidates
                if (chance(10)) e.data = u"  " + e.title + u"\u3000";
                if (chance(10)) e.data = e.title + u"\r\n";
                if (chance(20)) e.macro = lines(true);
                out.push_back(std::move(e));
            }
            ++id;
        }
        return out;
    }

private:
    uint8_t folder_kind() {
        static constexpr uint8_t kinds[] = {0x04, 0x08, 0x14, 0x18};
        return kinds[pick(0, 3)];
    }

    // Titles: one line, no "|", not blank.
    std::u16string title() {
        static constexpr std::u16string_view words[] = {u"note", u"\u30E1\u30E2", u"x", u"A b", u"  lead", u"trail  ",
                                                        u"\u3000\u5168\u89D2", u"_PELTATXT-", u"tab\there", u"1"};
        std::u16string t = one_of(words);
        if (chance(30)) t += one_of(words);
        return t;
    }

    // Texts: anything, including marker lines, blank lines and every kind of line break.
    std::u16string text() {
        static constexpr std::u16string_view pieces[] = {
            u"plain", u"\u65E5\u672C\u8A9E\u306E\u6587", u" ", u"\t", u"\u3000", u"\r\n", u"\n", u"\r", u"|_", u"D|",
            u"_|PELTATXT-DED|_", u"_|PELTATXT-ESC|_", u"_|PELTATXT-FLD|", u"_|PELTATXT-MAC|_x", u"_|PELTATXT-CMT|_",
            u"  _|PELTATXT-FED|_", u"\r\n\r\n", u"\uFFFF", u"_|PELTATXT-SDT|", u"\u00A0"};
        std::u16string t;
        int n = pick(0, 12);
        for (int i = 0; i < n; ++i) t += one_of(pieces);
        return t;
    }

    // Comment and macro texts: lines joined by CR LF, the first one not empty; comment lines
    // without trailing blanks.
    std::u16string lines(bool macro) {
        static constexpr std::u16string_view words[] = {u"line", u"\u884C", u"a b", u"  indented", u"_|PELTATXT-DED|_",
                                                        u"|_", u"\u3000x"};
        std::u16string t = one_of(words);
        int n = pick(0, 3);
        for (int i = 0; i < n; ++i) {
            t += u"\r\n";
            if (chance(70)) t += one_of(words);
        }
        if (macro && chance(30)) t += u"  ";
        return t;
    }

};

TEST(RoundTrip, RandomListsComeBackFieldByFieldAndWriteTheSameBytesAgain) {
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        std::vector<Rec> recs = Generator(seed).list();
        std::u16string first = write_text_of(recs);
        std::vector<Rec> back = read_text(first);
        std::vector<Rec> expected = renumbered(recs);
        ASSERT_EQ(back.size(), expected.size()) << "seed " << seed << "\n" << narrow(first);
        for (std::size_t i = 0; i < back.size(); ++i)
            ASSERT_EQ(back[i], expected[i]) << "seed " << seed << " record " << i << "\n" << narrow(first);
        ASSERT_TRUE(write_text_of(back) == first) << "seed " << seed;
    }
}

}  // namespace
}  // namespace peltatxt
