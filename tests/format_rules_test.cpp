// format_rules_test.cpp — the header-only format rules (format/rules.h, format/carry.h) against what the writer and reader really do.
#include <gtest/gtest.h>

#include "format/carry.h"
#include "format/rules.h"
#include "format_test_support.h"

namespace peltatxt {
namespace {
using namespace testing;
using carry::Cause;

// The first cause the model gives for a record, in the order whole record, kind, letter code,
// title, comment, macro.
Cause first_cause(const Rec& r) {
    for (Cause c : {carry::record_cause(r.kind, r.title, r.data, r.macro), carry::kind_cause(r.kind, r.title),
                    carry::letter_code_cause(r.kind, r.letterCode, r.title),
                    carry::title_cause(r.kind, r.letterCode, r.title),
                    is_folder(r.kind) ? carry::comment_cause(r.data) : Cause::None, carry::macro_cause(r.macro)})
        if (c != Cause::None) return c;
    return Cause::None;
}

Rec with_comment(Rec r, std::u16string comment) {
    r.data = std::move(comment);
    return r;
}
Rec with_macro(Rec r, std::u16string macro) {
    r.macro = std::move(macro);
    return r;
}
Rec with_code(Rec r, int8_t code) {
    r.letterCode = code;
    return r;
}

struct CauseCase {
    const char* what;
    Rec record;
    Cause cause;  // None: the record comes back unchanged
};

// Every cause, each shown on a record that really does not come back, and records near them that do.
TEST(CarryModel, EachCauseNamesARecordThatDoesNotComeBackAndNoCauseOneThatDoes) {
    const CauseCase cases[] = {
        {"entry with title and text", entry(1, -1, u"t", u"text"), Cause::None},
        {"folder with comment and macro", with_macro(with_comment(folder(1, -1, u"F"), u"a\r\nb"), u"m"), Cause::None},
        {"folder H whose title starts with the flag it carries", folder(1, -1, u"H|x", 8), Cause::None},
        {"folder H O with a flag past the window", folder(1, -1, u"xH|y", 0x18), Cause::None},
        {"coded title that begins like a code", with_code(entry(1, -1, u"D|x", u"y"), 1), Cause::None},
        {"bare line in NTR", entry(1, -1, u"n", u"  n\r\n"), Cause::None},
        {"empty title and text with a macro", with_macro(entry(1, -1, u"", u""), u"m"), Cause::None},
        {"folder kind with both folder bits", folder(1, -1, u"F", 0x0C), Cause::FolderKind},
        {"entry kind 3", entry(1, -1, u"t", u"x", 3), Cause::EntryKind},
        {"entry kind 0", entry(1, -1, u"t", u"x", 0), Cause::EntryKind},
        {"folder with a letter code", with_code(folder(1, -1, u"F"), 2), Cause::FolderLetterCode},
        {"letter code 8", with_code(entry(1, -1, u"t", u"t"), 8), Cause::UnknownLetterCode},
        {"negative letter code", with_code(entry(1, -1, u"t", u"x"), -3), Cause::UnknownLetterCode},
        {"title with LF", entry(1, -1, u"a\nb", u"x"), Cause::TitleLineBreak},
        {"empty folder title", folder(1, -1, u""), Cause::EmptyFolderTitle},
        {"title with the terminator", entry(1, -1, u"a|_b", u"x"), Cause::TitleEnd},
        {"folder title with H| inside the window", folder(1, -1, u"aH|b"), Cause::FolderFlag},
        {"folder title that the terminator makes a flag", folder(1, -1, u"xH"), Cause::FolderFlag},
        {"folder O titled H", folder(1, -1, u"H", 0x14), Cause::FolderFlag},
        {"folder O titled O, after its own flag", folder(1, -1, u"O", 0x14), Cause::None},
        {"title that begins with a code", entry(1, -1, u"D|x", u"y"), Cause::CodeLikeTitle},
        {"lone code letter as title", entry(1, -1, u"K", u"y"), Cause::CodeLikeTitle},
        {"comment line ending in a blank", with_comment(folder(1, -1, u"F"), u"a \r\nb"), Cause::CommentTrailingBlank},
        {"comment ending in an ideographic space", with_comment(folder(1, -1, u"F"), u"c\u3000"),
         Cause::CommentTrailingBlank},
        {"comment starting with an empty line", with_comment(folder(1, -1, u"F"), u"\r\nx"),
         Cause::CommentEmptyFirstLine},
        {"comment of one line break", with_comment(folder(1, -1, u"F"), u"\r\n"), Cause::CommentEmptyFirstLine},
        {"comment with a bare LF", with_comment(folder(1, -1, u"F"), u"x\ny"), Cause::CommentLineBreaks},
        {"macro starting with an empty line", with_macro(entry(1, -1, u"t", u"x"), u"\r\nm"),
         Cause::MacroEmptyFirstLine},
        {"macro with a lone CR", with_macro(entry(1, -1, u"t", u"x"), u"a\rb"), Cause::MacroLineBreaks},
        {"entry with nothing", entry(1, -1, u"", u""), Cause::EmptyEntry},
    };
    for (const CauseCase& c : cases) {
        const Rec& r = c.record;
        EXPECT_EQ(first_cause(r), c.cause) << c.what;
        EXPECT_EQ(carry::comes_back(r.kind, r.letterCode, r.title, r.data, r.macro), c.cause == Cause::None) << c.what;
        std::vector<Rec> back = read_text(write_text_of({r}));
        bool same = back.size() == 1 && same_content(back[0], r);
        EXPECT_EQ(same, c.cause == Cause::None) << c.what;
        if (c.cause == Cause::EmptyEntry) {
            EXPECT_TRUE(back.empty()) << c.what;
        }
        EXPECT_EQ(carry::explanation(c.cause).empty(), c.cause == Cause::None) << c.what;
    }
}

// A title that a header would read as a letter code comes back through a bare line, which has no
// header: the cause applies to the header forms only.
TEST(CarryModel, BareLinesCarryTitlesThatBeginLikeALetterCode) {
    for (const Rec& r : {entry(1, -1, u"D|x", u"D|x"), entry(1, -1, u"K", u" K "), entry(1, -1, u"E|", u"E|\r\n")}) {
        EXPECT_EQ(carry::title_cause(r.kind, r.letterCode, r.title), Cause::CodeLikeTitle) << narrow(r.title);
        EXPECT_TRUE(carry::comes_back(r.kind, r.letterCode, r.title, r.data, r.macro)) << narrow(r.title);
        std::vector<Rec> back = read_text(write_text_of({r}));
        ASSERT_EQ(back.size(), 1u);
        EXPECT_EQ(back[0].letterCode, 0);
        EXPECT_EQ(back[0].title, r.title);
        EXPECT_EQ(back[0].data, r.data);
    }
}

// Whitespace is one class for the reader and the model: a comment line ending in any of it loses it.
TEST(CarryModel, CommentLinesLoseEveryTrailingSpaceTheReaderTrims) {
    const char16_t spaces[] = {u' ',    u'\t',   u'\v',   u'\f',   u'\u1680', u'\u2000', u'\u2005', u'\u200A',
                               u'\u2028', u'\u2029', u'\u202F', u'\u205F', u'\u3000'};
    for (char16_t sp : spaces) {
        const std::u16string ending{u'a', sp}, inside{u'a', sp, u'\r', u'\n', u'b'};
        for (const std::u16string& comment : {ending, inside}) {
            Rec f = with_comment(folder(1, -1, u"F"), comment);
            EXPECT_EQ(carry::comment_cause(comment), Cause::CommentTrailingBlank) << unsigned(sp);
            std::vector<Rec> back = read_text(write_text_of({f}));
            ASSERT_EQ(back.size(), 1u);
            EXPECT_NE(back[0].data, comment) << unsigned(sp);
        }
    }
    // No-break space is not whitespace to the reader: it stays.
    EXPECT_EQ(carry::comment_cause(u"a\u00A0"), Cause::None);
    EXPECT_EQ(read_text(write_text_of({with_comment(folder(1, -1, u"F"), u"a\u00A0")}))[0].data, u"a\u00A0");
}

// The nesting the tool computes by position with folder_positions is the nesting the reader rebuilds
// from what the writer wrote, also for records that name no open folder or a closed one.
TEST(FolderNesting, OpenFoldersGivesTheParentsThatComeBack) {
    const std::vector<Rec> list = {
        folder(10, -1, u"F"),     entry(11, 10, u"a", u"a"), folder(12, 10, u"G"),    entry(13, 12, u"b", u"b"),
        entry(14, 10, u"c", u"c"), entry(15, 99, u"d", u"d"), entry(16, 12, u"e", u"e"), folder(17, -1, u"H"),
        folder(18, 17, u"I"),     entry(19, 17, u"f", u"f"), entry(20, 18, u"g", u"g"),
    };
    std::vector<std::ptrdiff_t> expected = folder_positions(list);  // positions of the parents
    EXPECT_EQ(expected, (std::vector<std::ptrdiff_t>{-1, 0, 0, 2, 0, -1, -1, -1, 7, 7, -1}));
    std::vector<Rec> back = read_text(write_text_of(list));
    ASSERT_EQ(back.size(), list.size());
    for (std::size_t i = 0; i < back.size(); ++i) {
        int32_t parent = expected[i] < 0 ? kNoParent : back[static_cast<std::size_t>(expected[i])].id;
        EXPECT_EQ(back[i].parentId, parent) << i;
    }
}

// The reader's flags and letter codes, as the header units after the marker give them.
TEST(HeaderRules, FolderFlagsAndLetterCodesFromTheUnitsAfterTheMarker) {
    struct FlagCase {
        std::u16string_view after;
        uint8_t kind;
        std::size_t title_start;
    };
    const FlagCase flags[] = {
        {u"T|_", 4, 0},     {u"H|T|_", 8, 2},     {u"O|T|_", 0x14, 2},  {u"H|O|T|_", 0x18, 4},
        {u"O|H|T|_", 0x18, 4}, {u"xH|T|_", 8, 3}, {u"xyO|T|_", 0x14, 4}, {u"xyzH|T|_", 4, 0},
        {u"H|_", 8, 2},     {u"|_", 4, 0},
    };
    for (const FlagCase& c : flags) {
        FolderFlags f = read_folder_flags(c.after);
        EXPECT_EQ(f.kind, c.kind) << narrow(c.after);
        EXPECT_EQ(f.title_start, c.title_start) << narrow(c.after);
    }
    EXPECT_EQ(letter_code_at(u"D|x|_"), 1);
    EXPECT_EQ(letter_code_at(u"K||_"), 7);
    EXPECT_EQ(letter_code_at(u"d|x"), 0);
    EXPECT_EQ(letter_code_at(u"D"), 0);
    EXPECT_TRUE(begins_like_letter_code(u"P"));
    EXPECT_TRUE(begins_like_letter_code(u"S|"));
    EXPECT_FALSE(begins_like_letter_code(u"Sx"));
    EXPECT_FALSE(begins_like_letter_code(u"A|"));
    EXPECT_FALSE(begins_like_letter_code(u""));
}

// Bare lines give back exactly a trimmed title without line breaks or letter code, as the text
// itself, with blanks around it, or with one LF at its very end: every text built around a title
// from blanks, line breaks, other units and other titles gets the answer of that plain statement.
TEST(BareLines, CarryExactlyATrimmedTitleWithBlanksAround) {
    auto plain = [](Text title, Text data, int8_t code) {
        auto breaks = [](Text s) { return s.find_first_of(u"\r\n") != Text::npos; };
        return code == 0 && !title.empty() && trim(title) == title && !breaks(title) && trim(data) == title &&
               (data == title || !breaks(data) || data.find(u'\n') + 1 == data.size());
    };
    const Text titles[] = {u"t", u"ab", u"a b", u" a", u"a ", u"a\r\nb", u"\u3042\u3000\u3044", u"x|_"};
    const Text around[] = {u"", u" ", u"\t", u"\n", u"\r\n", u"\u3000", u"  \n", u"x", u"\u00A0"};
    int carried = 0;
    for (Text title : titles)
        for (Text inner : {title, title.substr(0, title.size() - 1), Text(u"ab"), Text(u"a b")})
            for (Text before : around)
                for (Text after : around)
                    for (int8_t code : {int8_t(0), int8_t(2)}) {
                        std::u16string data = std::u16string(before) + std::u16string(inner) + std::u16string(after);
                        bool expected = plain(title, data, code);
                        EXPECT_EQ(carry::bare_lines_carry(title, data, code), expected) << narrow(title) << "/" << narrow(data);
                        carried += expected;
                    }
    EXPECT_GT(carried, 50);  // the inputs reach both answers
}

}  // namespace
}  // namespace peltatxt
