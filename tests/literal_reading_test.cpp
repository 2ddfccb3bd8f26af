// literal_reading_test.cpp — files as other writers make them: the reader against a literal reading of the rules.
#include <gtest/gtest.h>

#include <random>

#include "datafile/data_file.h"
#include "format/reader.h"
#include "format_test_support.h"
#include "literal_reader.h"
#include "support/random_choices.h"
#include "fs/file_system.h"
#include "text/line_pieces.h"
#include "text/unicode_text.h"

namespace peltatxt {
namespace {
using namespace testing;
using literal::Choices;
using literal::Class;

// The records of text under the rules to the letter and under the reader's choices.
std::vector<Rec> literally(const std::u16string& text, const Choices& choices = {}) {
    return literal::read(utf16le(text), kSeed, choices);
}

// The literal reading itself, on cases whose reading the rules spell out; the choices change
// only what they name.
TEST(LiteralReader, ReadsTheRulesExamplesAndEachChoiceChangesOnlyItsCase) {
    struct Case {
        const char* what;
        std::u16string text;
        std::vector<Rec> literal, ours;
    } cases[] = {
        {"stray block end after a single line appends its record again, text less a final CR LF",
         doc({SDT + u"t|_x", DED}), {E(u"t", u"x", 2, 0, u"", kSeed)}, {E(u"t", u"x", 2, 0, u"", kSeed)}},
        {"stray block end after a folder appends the folder again",
         doc({FLD + u"F|_", DED}), {folder(kSeed, -1, u"F")}, {folder(kSeed, -1, u"F")}},
        {"folder header inside a coded block takes its code",
         doc({DAT + u"R|t|_", u"x", FLD + u"F|_"}), {}, {folder(kSeed + 1, -1, u"F")}},
        {"titled single line with empty text and no macro",
         SDT + u"t|_" + NL, {}, {E(u"t", u"", 2, 0, u"", kSeed)}},
        {"escape right after a single line's terminator",
         SDT + u"t|_" + ESC + u"x" + NL, {E(u"t", ESC + u"x", 2, 0, u"", kSeed)}, {E(u"t", u"x", 2, 0, u"", kSeed)}},
        {"escape with a CR inside, after a single line's terminator",
         SDT + u"t|__|PELTATXT-E\rSC|_x" + NL, {E(u"t", ESC + u"x", 2, 0, u"", kSeed)},
         {E(u"t", ESC + u"x", 2, 0, u"", kSeed)}},
        {"escape with a CR inside is text; after blanks an escape as written is one",
         doc({u"_|PELTATXT-E\rSC|_x", u" \t" + ESC + u" " + DED}),
         {E(ESC + u"x", ESC + u"x", 2, 0, u"", kSeed), E(DED, DED, 2, 0, u"", kSeed + 1)},
         {E(ESC + u"x", ESC + u"x", 2, 0, u"", kSeed), E(DED, DED, 2, 0, u"", kSeed + 1)}},
    };
    cases[0].literal.push_back(cases[0].literal[0]);
    cases[1].literal.push_back(cases[1].literal[0]);
    cases[1].literal[1].data = u"F";  // an empty text is filled from the title
    cases[2].literal = {folder(kSeed + 1, -1, u"F")};
    cases[2].literal[0].letterCode = 3;
    for (const Case& c : cases) {
        EXPECT_EQ(literally(c.text), c.literal) << c.what;
        EXPECT_EQ(literally(c.text, Choices::ours()), c.ours) << c.what;
        EXPECT_EQ(read_text(c.text), c.ours) << c.what;
    }
    // The worked example, from its bytes.
    std::vector<Rec> example = literal::read(read_bytes(PELTATXT_FIXTURES "/example.peltatxt"), 7, {});
    Rec x = E(u"x", u"x", 1, 3, u"", 10);
    EXPECT_EQ(example, (std::vector<Rec>{folder(7, -1, u"Greetings"), E(u"Hello", u"Hello", 2, 0, u"", 8, 7),
                                         E(u"Sig", u"Best regards\r\nAnn", 2, 0, u"", 9, 7), x}));
}

// Random files made mostly of lines that are markers or nearly so, the way other writers and
// hand edits leave them.
class FileGenerator : RandomChoices {
public:
    explicit FileGenerator(uint32_t seed) : RandomChoices(seed) {}

    std::string bytes() {
        std::u16string text;
        int lines = pick(0, 40);
        for (int i = 0; i < lines; ++i) text += line();
        std::string out = utf16le(text, chance(90));
        if (chance(5)) out += 'x';  // an odd last byte
        return out;
    }

private:
    std::u16string line() {
        std::u16string l;
        int shape = pick(1, 100);
        if (shape <= 8) {
            l = one_of(kPlain);
        } else if (shape <= 11) {
            // A line longer than a piece whose next piece begins with, or cuts through, a marker.
            l = std::u16string(static_cast<std::size_t>(kMaxPiece - pick(0, 3) * pick(0, 6)), chance(70) ? u'a' : u' ');
            if (chance(80)) l += marker_line();  // else the next piece holds only the line break
        } else {
            l = marker_line();
        }
        if (chance(5)) l.insert(static_cast<std::size_t>(pick(0, static_cast<int>(l.size()))), u"\r");
        static constexpr std::u16string_view ends[] = {u"\r\n", u"\r\n", u"\r\n", u"\r\n", u"\n", u"\r\r\n", u" \r\n"};
        return l + one_of(ends);
    }

    std::u16string marker_line() {
        // Block and folder lines come more often, so that blocks and folders open and close.
        static const std::u16string_view markers[] = {CMT, FCM, MAC, ONE, LCK, NTR, DNL, TRM, FLD, FED, DAT,
                                                       SDT, DED, ESC, FLD, FED, DAT, DAT, SDT, DED, DED, ESC};
        std::u16string m = one_of(markers);
        std::u16string tail = tail_for(m);
        int variant = pick(1, 100);
        if (variant <= 15) {
            m.insert(static_cast<std::size_t>(pick(1, static_cast<int>(m.size()) - 1)), u"\r");  // CR inside
        } else if (variant <= 20) {
            m.pop_back();  // cut short
        } else if (variant <= 24) {
            m[static_cast<std::size_t>(pick(0, static_cast<int>(m.size()) - 1))] = u'#';
        } else if (variant <= 40) {
            static constexpr std::u16string_view escapes[] = {u"_|PELTATXT-ESC|_", u"_|PELTATXT-E\rSC|_",
                                                              u"_|PELTATXT-ESC|_ ", u"_|PELTATXT-ESC|_\u3000",
                                                              u"_|PELTATXT-ESC\r|_"};
            m = one_of(escapes) + m;  // an escape before another marker
        }
        std::u16string lead;
        if (chance(30)) {
            static constexpr std::u16string_view blanks[] = {u" ", u"\t", u"\u3000", u"\r", u"\u00A0", u"\u2003", u"\u0085"};
            int n = pick(1, 3);
            for (int i = 0; i < n; ++i) lead += one_of(blanks);
        }
        return lead + m + tail;
    }

    std::u16string tail_for(const std::u16string& m) {
        static constexpr std::u16string_view titles[] = {u"", u"T", u"a|b", u"\u30C6\u30AD", u"  t  ", u"D", u"H", u"x|_y"};
        static constexpr std::u16string_view ends[] = {u"|_", u"|_", u"|_", u"", u"|", u"|\r_"};
        if (m == FLD) {
            static constexpr std::u16string_view flags[] = {u"", u"", u"H|", u"O|", u"H|O|", u"O|H|", u"xH|",
                                                            u"xyO|", u"xyzH|", u"H", u"xH", u"abO", u"H\r|"};
            return one_of(flags) + one_of(titles) + one_of(ends) + (chance(20) ? u"after" : u"");
        }
        if (m == DAT || m == SDT) {
            static constexpr std::u16string_view codes[] = {u"", u"", u"D|", u"K|", u"R|", u"Q|", u"d|", u"S||", u"E\r|"};
            static constexpr std::u16string_view rests[] = {
                u"", u"text", u" blanks  ", u"_|PELTATXT-ESC|_x", u"_|PELTATXT-E\rSC|_x", u"\r_|PELTATXT-ESC|_x",
                u"_|PELTATXT-ESC|__|PELTATXT-DED|_", u"a|_b", u"_|PELTATXT-ESC\r|_", u"_|PELTATXT-DED|_"};
            return one_of(codes) + one_of(titles) + one_of(ends) + one_of(rests);
        }
        static constexpr std::u16string_view texts[] = {u"", u"", u"x", u"  b  ", u"\u3000", u"a\rb", u"_|PELTATXT-DED|_"};
        return one_of(texts);
    }

    static constexpr std::u16string_view kPlain[] = {u"plain", u"  abc  ", u"", u"   ", u"\u3000", u"D|x", u"|_",
                                                     u"_|PELTATXT-", u"x_|PELTATXT-DED|_", u"\u00A0x", u"\t\u65E5",
                                                     std::u16string_view(u"\0a\uFFFF\xD800", 4)};
};

// What the reader makes of a file, through the file reader.
std::vector<Rec> import(const TempDir& dir, const std::string& bytes, int32_t& seed) {
    write_bytes(dir / "in.peltatxt", bytes);
    std::u16string path = u16(dir / "in.peltatxt");
    int64_t seconds = 0;
    EXPECT_TRUE(fs::creation_seconds(path, seconds));
    seed = static_cast<int32_t>(static_cast<uint32_t>(seconds));
    EntryList list;
    EXPECT_TRUE(read_file(path, list));
    return records_of(list.get());
}

// A file's text for a failure message, with long runs of one unit shortened.
std::string shown(const std::string& bytes) {
    std::u16string text = from_utf16le(bytes), out;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t j = i;
        while (j < text.size() && text[j] == text[i]) ++j;
        if (j - i > 8)
            out += text.substr(i, 1) + u"{x" + widen(std::to_string(j - i)) + u"}";
        else
            out += text.substr(i, j - i);
        i = j;
    }
    return narrow(out);
}

constexpr uint32_t kFiles = 400;

TEST(LiteralReading, RandomNearMarkerFilesReadAsTheRulesSayButForTheReadersChoices) {
    TempDir dir;
    std::vector<int> seen(static_cast<std::size_t>(Class::Count), 0);
    // For each choice, whether the reading of some file depends on it: each must matter somewhere.
    bool Choices::*const each[] = {&Choices::ignore_stray_block_end, &Choices::folders_without_letter_code,
                                         &Choices::keep_titled_single_lines,
                                         &Choices::drop_escape_after_single_line_title};
    int changed[std::size(each)] = {};
    for (uint32_t n = 1; n <= kFiles; ++n) {
        std::string bytes = FileGenerator(n).bytes();
        int32_t seed = 0;
        std::vector<Rec> ours = import(dir, bytes, seed);
        std::vector<Rec> expected = literal::read(bytes, seed, Choices::ours(), &seen);
        ASSERT_EQ(ours.size(), expected.size()) << "file " << n << ": " << shown(bytes);
        for (std::size_t i = 0; i < ours.size(); ++i)
            ASSERT_EQ(ours[i], expected[i]) << "file " << n << " record " << i << ": " << shown(bytes);
        for (std::size_t c = 0; c < std::size(each); ++c) {
            if (changed[c] > 0) continue;
            Choices without = Choices::ours();
            without.*each[c] = false;
            if (literal::read(bytes, seed, without) != expected) ++changed[c];
        }
    }
    // The files reach every line class, and every choice.
    for (std::size_t c = 0; c < seen.size(); ++c) EXPECT_GT(seen[c], 0) << "class " << c;
    for (std::size_t c = 0; c < std::size(each); ++c) EXPECT_GT(changed[c], 0) << "choice " << c;
}

}  // namespace
}  // namespace peltatxt
