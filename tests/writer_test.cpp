// writer_test.cpp — exporting: output names, line forms and switches, escaping, nesting, and failures.
#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>

#include "datafile/data_file.h"
#include "format/escape.h"
#include "format_test_support.h"
#include "support/random_choices.h"
#include "text/line_pieces.h"
#include "text/unicode_text.h"

namespace peltatxt {
namespace {
using namespace testing;


// What the writer puts after the banner.
std::u16string body(const std::vector<Rec>& recs) {
    std::u16string text = write_text_of(recs);
    EXPECT_EQ(text.substr(0, kBanner.size()), kBanner);
    return text.substr(kBanner.size());
}

std::vector<Rec> round_trip(const std::vector<Rec>& recs) { return read_text(write_text_of(recs)); }

TEST(OutputPath, DirectoryAndStemPlusExtension) {
    struct Case {
        std::u16string in, out;
    } cases[] = {
        {u"/data/notes.txt", u"/data/notes.peltatxt"}, {u"/data.d/notes", u"/data.d/notes.peltatxt"},
        {u"notes.txt", u"./notes.peltatxt"},           {u"/data/.x", u"/data/.peltatxt"},
        {u"notes", u"./notes.peltatxt"},               {u"a/b.c/d", u"a/b.c/d.peltatxt"},
        {u"a/b.tar.gz", u"a/b.tar.peltatxt"},          {u"dir/", u"dir/.peltatxt"},
        {u"\u30C7\u30FC\u30BF.txt", u"./\u30C7\u30FC\u30BF.peltatxt"},
    };
    for (const Case& c : cases) {
        std::u16string expected = c.out;
#if defined(_WIN32)
        if (expected.rfind(u"./", 0) == 0) expected[1] = u'\\';  // the current directory is ".\" there
#endif
        EXPECT_EQ(output_path(c.in), expected) << narrow(c.in);
    }
#if defined(_WIN32)
    // A backslash separates directories as well.
    EXPECT_EQ(output_path(u"C:\\data.d\\notes"), u"C:\\data.d\\notes.peltatxt");
    EXPECT_EQ(output_path(u"a/b.c\\d"), u"a/b.c\\d.peltatxt");
    EXPECT_EQ(output_path(u"a\\b.tar/c.txt"), u"a\\b.tar/c.peltatxt");
#endif
}

TEST(Writer, WorkedExampleIsWrittenByteForByte) {
    Rec x = E(u"x", u"x", 1, 3);
    std::vector<Rec> recs = {folder(7, -1, u"Greetings"), E(u"Hello", u"Hello", 2, 0, u"", 8, 7),
                             E(u"Sig", u"Best regards\r\nAnn", 2, 0, u"", 9, 7), x};
    TempDir dir;
    EntryList list = make_list(recs);
    ASSERT_TRUE(write_file(u16(dir / "example.txt"), list.get()));
    EXPECT_EQ(read_bytes(dir / "example.peltatxt"), read_bytes(PELTATXT_FIXTURES "/example.peltatxt"));
}

// What write_memory gives is what write_file saves, also past the writer's buffer.
TEST(WriteMemory, GivesTheBytesTheSavedFileHolds) {
    const std::vector<Rec> lists[] = {
        {},
        {folder(7, -1, u"F"), E(u"Hello", u"Hello", 2, 0, u"m", 8, 7), E(u"t", u"a\r\n" + DED, 1, 3, u"", 9, 7)},
        {E(u"big", std::u16string(600000, u'b') + u"\r\n")},
    };
    for (const std::vector<Rec>& recs : lists) {
        TempDir dir;
        EntryList list = make_list(recs);
        ASSERT_TRUE(write_file(u16(dir / "out.txt"), list.get()));
        EXPECT_TRUE(write_memory(list.get()) == read_bytes(dir / "out.peltatxt")) << recs.size();
    }
}

TEST(Writer, EmptyListGivesByteOrderMarkAndBannerOnly) {
    const std::u16string written = write_text_of({});
    EXPECT_EQ(written, kBanner);
    EXPECT_EQ(written.substr(0, CMT.size()), CMT);
    EXPECT_TRUE(written.ends_with(u"\r\n\r\n"));
}

TEST(ChooseForm, ByTitleTextAndLetterCode) {
    struct Case {
        std::u16string title, data;
        int8_t code;
        Form form;
    } cases[] = {
        {u"abc", u"abc", 0, Form::BareTRM},
        {u"abc", u"  abc ", 0, Form::BareDNL},
        {u"abc", u"abc\r\n", 0, Form::BareNTR},
        {u"abc", u" abc\n", 0, Form::BareNTR},
        {u"abc", u"xyz", 0, Form::SingleLine},
        {u"abc", u"x\r\ny", 0, Form::Block},
        {u"abc", u"abc", 1, Form::SingleLine},  // a letter code needs a header
        {u"abc", u"abc", 7, Form::SingleLine},
        {u"abc", u"abc", 8, Form::BareTRM},  // outside 1..7 counts as none
        {u"abc", u"abc", -128, Form::BareTRM},
        {u"abc", u"abc\r\n", 3, Form::Block},
        // Bare forms only where they read back.
        {u"abc", u"abc\r\n\r\n", 0, Form::Block},  // more than one line break
        {u"abc", u"\nabc\n", 0, Form::Block},      // a line break among the leading blanks
        {u"abc", u"abc\n ", 0, Form::Block},       // blanks after the last line break
        {u" abc", u" abc", 0, Form::SingleLine},   // the trim would change the title
        {u"", u"", 0, Form::SingleLine},           // a blank line would be skipped
        {u"", u"  ", 0, Form::SingleLine},
        {u"", u" \r\n", 0, Form::Block},
        {u"a\rb", u"a\rb", 0, Form::Block},        // a lone CR is kept only in a block
        {u"abc", u"abc\rx", 0, Form::Block},
        {u"a|_b", u"x", 0, Form::SingleLine},      // header titles are made to fit
        {u"a|_b", u"a|_b", 0, Form::BareTRM},      // a bare line parses no header
        {u"D", u"x", 0, Form::SingleLine},
        {u"x", std::u16string(kMaxPiece, u'y'), 0, Form::Block},  // too long for one line
        // A title too long for the line is cut; an empty text still fits after the cut title.
        {std::u16string(65515, u't'), u"", 0, Form::SingleLine},
        {std::u16string(kMaxPiece, u't'), u"", 0, Form::SingleLine},
        {std::u16string(65514, u't'), u"x", 0, Form::Block},
        {std::u16string(65513, u't'), u"x", 0, Form::SingleLine},
        {std::u16string(65513, u't') + u"\r\n", u"x", 0, Form::SingleLine},  // line breaks leave the title
    };
    for (const Case& c : cases) EXPECT_EQ(choose_form(c.title, c.data, c.code, 0), c.form) << narrow(c.title) << " / " << narrow(c.data);
}

TEST(Writer, LineFormsAndTheirSwitchLines) {
    struct Case {
        std::vector<Rec> recs;
        std::u16string expected;
    } cases[] = {
        {{E(u"abc", u"abc")}, doc({u"abc"})},
        {{E(u"abc", u"  abc ")}, doc({u"", DNL, u"  abc "})},
        {{E(u"abc", u"abc\r\n")}, doc({u"", NTR, u"abc"})},
        {{E(u"abc", u"abc\r\n"), E(u"d", u"d")}, doc({u"", NTR, u"abc", u"", TRM, u"d"})},
        {{E(u"abc", u"xyz")}, doc({SDT + u"abc|_xyz"})},
        {{E(u"t", u"")}, doc({SDT + u"t|_"})},
        {{E(u"t", u"a\r\nb")}, doc({u"", DAT + u"t|_", u"a", u"b", DED, u""})},
        {{E(u"x", u"x", 1, 3)}, doc({u"", ONE, SDT + u"R|x|_x"})},
        {{E(u"a", u"a", 1), E(u"b", u"b", 1), E(u"c", u"c", 2)}, doc({u"", ONE, u"a", u"b", u"", LCK, u"c"})},
        {{E(u"a", u"a", 0), E(u"b", u"b", 3)}, doc({u"a", u"b"})},  // other kinds write no switch
        {{E(u"", u"", 2, 0, u"m")}, doc({u"", MAC + u"m", SDT + u"|_"})},
    };
    for (const Case& c : cases) EXPECT_EQ(body(c.recs), c.expected) << describe(c.recs[0]);
}

TEST(Writer, MacrosBeforeEntriesAndFolders) {
    // One-time entry with a macro after a locked one: empty line, MAC, empty line, 1TM, header.
    EXPECT_EQ(body({E(u"p", u"p"), E(u"t", u"a\r\nb", 1, 0, u"m")}),
              doc({u"p", u"", MAC + u"m", u"", ONE, DAT + u"t|_", u"a", u"b", DED, u""}));
    // Kind 0 gets no empty line before its macro, nor before a block header.
    EXPECT_EQ(body({E(u"t", u"a\r\nb", 0, 0, u"m1\r\nm2")}),
              doc({MAC + u"m1", MAC + u"m2", DAT + u"t|_", u"a", u"b", DED, u""}));
    // A folder with comment and macro: empty line, FCM lines, MAC lines, FLD, all at one indentation.
    Rec f = folder(1, -1, u"F", 0x18);
    f.data = u"c1\r\n\r\nc3";
    f.macro = u"m\r\n";
    Rec g = folder(2, 1, u"G", 0x1C);
    g.macro = u"x";
    EXPECT_EQ(body({f, g}), doc({
                                u"",
                                FCM + u"c1",
                                FCM,
                                FCM + u"c3",
                                MAC + u"m",
                                MAC,
                                FLD + u"H|O|F|_",
                                u"",
                                u"\t" + MAC + u"x",
                                u"\t" + FLD + u"O|G|_",
                                u"\t" + FED,
                                u"",
                                FED,
                                u"",
                            }));
}

TEST(Writer, IndentationThreeDeepAndClosingOnUnknownParents) {
    Rec a = folder(1, -1, u"A"), b = folder(2, 1, u"B"), c = folder(3, 2, u"C");
    c.data = u"note";
    std::u16string got = body({a, b, c, E(u"e", u"e", 2, 0, u"", 4, 3), E(u"s", u"x\r\ny", 2, 0, u"", 5, 3),
                               E(u"top", u"top", 2, 0, u"", 6, 99)});
    std::u16string expected = doc({
        u"",
        FLD + u"A|_",
        u"",
        u"\t" + FLD + u"B|_",
        u"",
        u"\t\t" + FCM + u"note",
        u"\t\t" + FLD + u"C|_",
        u"\t\t\te",
        u"",
        u"\t\t\t" + DAT + u"s|_",
        u"x",
        u"y",
        u"\t\t\t" + DED,
        u"",
        u"\t\t" + FED,
        u"",
        u"\t" + FED,
        u"",
        FED,
        u"",
        u"top",
    });
    EXPECT_EQ(got, expected);
}

TEST(Writer, FoldersWriteOnlyFlagsAndTitle) {
    Rec f = folder(5, -1, u"F", 0x0C);
    f.letterCode = 3;
    EXPECT_EQ(body({f}), doc({u"", FLD + u"F|_", FED, u""}));
}

TEST(Writer, EscapesEveryLineThatWouldReadAsAMarker) {
    // At line starts, after leading whitespace, and with a CR inside the marker.
    std::u16string text = u"first\r\n" + MAC + u"x\r\n  " + DED + u"\r\n" + ESC + u"\r\n_|PELTA\rTXT-FED|_\r\nlast " + CMT;
    std::u16string expected = u"first\r\n" + ESC + MAC + u"x\r\n" + ESC + u"  " + DED + u"\r\n" + ESC + ESC + u"\r\n" +
                              ESC + u"_|PELTA\rTXT-FED|_\r\nlast " + CMT;
    EXPECT_EQ(body({E(u"t", text)}), NL + DAT + u"t|_\r\n" + expected + NL + DED + NL + NL);
    EXPECT_EQ(round_trip({E(u"t", text)}), renumbered({E(u"t", text)}));
    // A single line that begins with a marker carries the escape after the title terminator.
    EXPECT_EQ(body({E(u"t", DED + u"x")}), SDT + u"t|_" + ESC + DED + u"x\r\n");
    EXPECT_EQ(round_trip({E(u"t", DED + u"x")}), renumbered({E(u"t", DED + u"x")}));
    // A bare line that is a marker.
    EXPECT_EQ(body({E(FED, FED)}), ESC + FED + NL);
    EXPECT_EQ(round_trip({E(FED, FED)}), renumbered({E(FED, FED)}));
    // A line holding the escape marker with a CR inside is escaped too, and comes back as it was.
    const std::u16string cr_esc = u"_|PELTATXT-E\rSC|_";
    EXPECT_EQ(body({E(u"t", cr_esc + u"x")}), NL + DAT + u"t|_\r\n" + ESC + cr_esc + u"x\r\n" + DED + NL + NL);
    for (const std::u16string& t : {cr_esc + u"x", u"a\r\n  " + cr_esc + u"\r\nb", cr_esc + DED})
        EXPECT_EQ(round_trip({E(u"t", t), E(u"n", u"n")}), renumbered({E(u"t", t), E(u"n", u"n")})) << narrow(t);
}

TEST(Writer, LongBlockLinesAreEscapedAtPieceBoundaries) {
    std::u16string text = std::u16string(kMaxPiece - 3, u'a') + u"  " + DED + u"tail\r\nnext";
    std::vector<Rec> recs = {E(u"t", text), E(u"after", u"after")};
    EXPECT_EQ(round_trip(recs), renumbered(recs));
    text = std::u16string(kMaxPiece, u'b') + FED + std::u16string(kMaxPiece, u'c') + FLD;
    recs = {E(u"t", text)};
    EXPECT_EQ(round_trip(recs), renumbered(recs));
}

// Collects what the escape pass puts, and how many views it took.
struct Collected final : TextSink {
    std::u16string text;
    int puts = 0;
    void put(Text chunk) override {
        text.append(chunk);
        ++puts;
    }
};

std::u16string repeated(const std::u16string& s, int times) {
    std::u16string out;
    for (int i = 0; i < times; ++i) out += s;
    return out;
}

TEST(Escape, PutsTheTextBetweenEscapesInFewViews) {
    const std::u16string long_line = std::u16string(kMaxPiece - kMarkerLength, u'a');
    const std::u16string line_5000 = std::u16string(4999, u'b') + u"\n";
    struct Case {
        std::u16string text;
        EscapeScope scope;
        std::u16string expected;
        int puts;
    } cases[] = {
        {u"", EscapeScope::LineStarts, u"", 0},
        {u"a\nb\r\n\nc", EscapeScope::LineAndPieceStarts, u"a\nb\r\n\nc", 1},
        {DED, EscapeScope::LineStarts, ESC + DED, 2},
        {u"a\n" + DED + u"\n" + CMT, EscapeScope::LineStarts, u"a\n" + ESC + DED + u"\n" + ESC + CMT, 5},
        {u"x\n\t" + FED + u"\ny\n", EscapeScope::LineStarts, u"x\n" + ESC + u"\t" + FED + u"\ny\n", 3},
        {u"_x\n \n_|PELTATXT-\n", EscapeScope::LineStarts, u"_x\n \n_|PELTATXT-\n", 1},
        // A text that fits in a line piece goes out whole; a longer one in views of a few
        // thousand units, each ending at a line end.
        {repeated(line_5000, 3), EscapeScope::LineStarts, repeated(line_5000, 3), 1},
        {repeated(line_5000, 14), EscapeScope::LineStarts, repeated(line_5000, 14), 7},
        {repeated(line_5000, 14), EscapeScope::LineAndPieceStarts, repeated(line_5000, 14), 7},
        // Only a line's first non-blank unit can start a marker, whatever blanks come before it.
        {u"a_" + DED + u"\n\r \u3000" + DED + u"\n_\n", EscapeScope::LineStarts,
         u"a_" + DED + u"\n" + ESC + u"\r \u3000" + DED + u"\n_\n", 3},
        // An escaped line start counts towards the line's first piece: the marker that follows a
        // piece's worth of written units starts the next piece and is escaped there.
        {DAT + long_line.substr(DAT.size()) + DED + u"\n", EscapeScope::LineAndPieceStarts,
         ESC + DAT + long_line.substr(DAT.size()) + ESC + DED + u"\n", 4},
        {DAT + long_line.substr(DAT.size()) + DED + u"\n", EscapeScope::LineStarts,
         ESC + DAT + long_line.substr(DAT.size()) + DED + u"\n", 2},
    };
    for (const Case& c : cases) {
        Collected out;
        escape_text(c.text, c.scope, out);
        EXPECT_EQ(out.text, c.expected) << narrow(c.text.substr(0, 40));
        EXPECT_EQ(out.puts, c.puts) << narrow(c.text.substr(0, 40));
    }
}

// A text of one-piece lines, escaped the plain way: each line tested on its own.
std::u16string escaped_line_by_line(Text text) {
    std::u16string out;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t lf = text.find(u'\n', start);
        std::size_t end = lf == Text::npos ? text.size() : lf + 1;
        Text line = text.substr(start, end - start);
        if (reads_as_marker(line)) out += ESC;
        out += line;
        start = end;
    }
    return out;
}

TEST(Escape, SearchForMarkerStartsAgreesWithTestingEveryLine) {
    // Lines made of blanks of every kind, lone CRs, stray "_" and pieces of markers, which reach
    // each way a line start can or cannot read as a marker.
    static constexpr std::u16string_view kPieces[] = {
        u"_", u"__", u" ", u"\t", u"\r", u"\u3000", u"\u00A0", u"a", u"\u3042", u"_|PELTATXT-", u"DED|_", u"ESC|_",
        u"FLD|", u"_|PELTATXT-D\rED|_", u"_|PELTATXT-DED|_", u"_|PELTATXT-ESC|_", u"_|PELTATXT-SDT|", u"\r\n", u"\n"};
    RandomChoices random(20261209);
    for (int round = 0; round < 3000; ++round) {
        std::u16string text;
        for (int n = random.pick(0, 40); n > 0; --n) text += random.one_of(kPieces);
        for (EscapeScope scope : {EscapeScope::LineStarts, EscapeScope::LineAndPieceStarts}) {
            Collected out;
            escape_text(text, scope, out);
            ASSERT_EQ(out.text, escaped_line_by_line(text)) << narrow(text);
        }
    }
}

TEST(Writer, TitlesThatLookLikeLetterCodesOrHoldTheTerminatorKeepTheirRecord) {
    struct Case {
        Rec written;
        Rec back;
    } cases[] = {
        {E(u"D|x", u"text"), E(u"D|x", u"text", 2, 1)},  // the code is written, the title kept
        {E(u"K", u"text"), E(u"K", u"text", 2, 7)},
        {E(u"K", u""), E(u"K", u"", 2, 7)},
        {E(u"R", u"a\r\nb", 2, 2), E(u"R", u"a\r\nb", 2, 2)},
        {E(u"|_x", u""), E(u"|x", u"")},                  // the terminator loses its "_"
        {E(u"a|_b|__c", u"t"), E(u"a|b|c", u"t")},
        {E(u"x|", u"t"), E(u"x|", u"t")},
    };
    for (const Case& c : cases) {
        std::vector<Rec> back = round_trip({E(u"before", u"before"), c.written, E(u"after", u"after")});
        EXPECT_EQ(back, renumbered({E(u"before", u"before"), c.back, E(u"after", u"after")})) << describe(c.written);
    }
    Rec f = folder(1, -1, u"a|_b");
    EXPECT_EQ(round_trip({f})[0].title, u"a|b");
}

TEST(Writer, TitlesThatCannotBeCarriedKeepTheOtherRecordsIntact) {
    // Line breaks leave the header title; a title too long for one line is cut; the text stays whole.
    std::vector<Rec> back = round_trip({E(u"two\r\nlines", u"text"), E(std::u16string(70000, u't'), u"x\r\ny"), E(u"n", u"n")});
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].title, u"twolines");
    EXPECT_EQ(back[0].data, u"text");
    EXPECT_LT(back[1].title.size(), kMaxPiece);
    EXPECT_EQ(back[1].data, u"x\r\ny");
    EXPECT_EQ(back[2].title, u"n");
    // Long macro lines are split over several macro lines instead of spilling into an entry.
    Rec long_macro = E(u"m", u"m", 2, 0, std::u16string(70000, u'q'));
    back = round_trip({long_macro, E(u"n", u"n")});
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].macro.size(), 70002u);
}

TEST(Writer, LongTitlesWithAnEmptyTextComeBackCutWithTheTextEmpty) {
    // The header line holds 65,535 units with its line break: at top level 65,514 title units
    // after the marker and letter-code room, one fewer per folder level.
    struct Case {
        std::size_t title, depth, back;
        std::u16string data;
    } cases[] = {
        {65513, 0, 65513, u""}, {65514, 0, 65514, u""}, {65515, 0, 65514, u""}, {70000, 0, 65514, u""},
        {65515, 1, 65513, u""}, {65515, 3, 65511, u""}, {65515, 0, 65514, u"x"}, {65515, 2, 65512, u"a\r\nb"},
    };
    for (const Case& c : cases) {
        std::vector<Rec> recs;
        for (std::size_t d = 0; d < c.depth; ++d) recs.push_back(folder(static_cast<int32_t>(d + 1), static_cast<int32_t>(d), u"F"));
        if (!recs.empty()) recs[0].parentId = kNoParent;
        Rec e = E(std::u16string(c.title, u't'), c.data, 2, 0, u"", 50, recs.empty() ? kNoParent : recs.back().id);
        recs.push_back(e);
        recs.push_back(E(u"after", u"after", 2, 0, u"", 51, e.parentId));
        std::vector<Rec> expected = recs;
        expected[c.depth].title.resize(c.back);
        std::vector<Rec> back = round_trip(recs);
        ASSERT_EQ(back.size(), expected.size()) << c.title << " at depth " << c.depth;
        for (std::size_t i = 0; i < back.size(); ++i)
            EXPECT_EQ(back[i], renumbered(expected)[i]) << c.title << " at depth " << c.depth << " record " << i;
    }
}

// A folder title of one to three units that ends in H or O makes a flag with the header's own
// "|": the folder comes back with that flag added and its id as title.
TEST(Writer, ShortFolderTitlesEndingInAFlagLetterBecomeFlags) {
    struct Case {
        std::u16string title;
        uint8_t kind, back_kind;
        bool id_title;
    } cases[] = {
        {u"H", 0x04, 0x08, true},    {u"xH", 0x04, 0x08, true},  {u"xyH", 0x04, 0x08, true},
        {u"O", 0x04, 0x14, true},    {u"abO", 0x04, 0x14, true}, {u"O", 0x08, 0x18, true},
        {u"H", 0x14, 0x18, true},    {u"xyzH", 0x04, 0x04, false}, {u"xO", 0x08, 0x08, false},
        {u"H", 0x18, 0x18, false},   {u"Ha", 0x04, 0x04, false},  {u"H", 0x08, 0x08, false},
        {u"O", 0x14, 0x14, false},
    };
    for (const Case& c : cases) {
        std::vector<Rec> back = round_trip({folder(1, -1, c.title, c.kind), E(u"in", u"in", 2, 0, u"", 2, 1)});
        ASSERT_EQ(back.size(), 2u) << narrow(c.title);
        EXPECT_EQ(back[0].kind, c.back_kind) << narrow(c.title) << " kind " << int(c.kind);
        EXPECT_EQ(back[0].title, c.id_title ? decimal(back[0].id) : c.title) << narrow(c.title) << " kind " << int(c.kind);
        EXPECT_EQ(back[1].parentId, back[0].id);
    }
}

TEST(Writer, MacroStaysWithItsOwnRecord) {
    std::vector<Rec> recs = {E(u"", u"", 2, 0, u"mine"), E(u"", u"  ", 2, 0, u"also mine"), E(u"next", u"next")};
    std::vector<Rec> back = round_trip(recs);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].macro, u"mine");
    EXPECT_EQ(back[1].macro, u"also mine");
    EXPECT_EQ(back[1].data, u"  ");
    EXPECT_EQ(back[2].macro, u"");
}

TEST(Writer, KindsOtherThanOneAndTwoComeBackAsTheKindInForce) {
    std::vector<Rec> back = round_trip({E(u"a", u"a", 1), E(u"b", u"b", 0), E(u"c", u"c", 3), E(u"d", u"d", 2), E(u"e", u"e", 0)});
    ASSERT_EQ(back.size(), 5u);
    EXPECT_EQ(back[1].kind, 1);
    EXPECT_EQ(back[2].kind, 1);
    EXPECT_EQ(back[4].kind, 2);
}

TEST(WriteFile, OutputThatCannotBeCreatedFails) {
    TempDir dir;
    EntryList list = make_list({E(u"a", u"a")});
    EXPECT_FALSE(write_file(u16(dir / "missing" / "x.txt"), list.get()));
    EXPECT_FALSE(write_file(u"", list.get()));
#if defined(_WIN32)
    // A read-only directory still takes new files on Windows; a directory where the output goes
    // stops the export.
    std::filesystem::create_directory(dir / "x.peltatxt");
    EXPECT_FALSE(write_file(u16(dir / "x.txt"), list.get()));
    EXPECT_EQ(file_names(dir.path()), std::vector<std::string>{"x.peltatxt"});
#else
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (::geteuid() != 0) {
        EXPECT_FALSE(write_file(u16(dir / "x.txt"), list.get()));
    }
#endif
}

#if defined(_WIN32)
// Windows has no file size limit to make writes fail (fault_injection_test.cpp fails each write
// through the file seam); what does fail there is replacing a file another program holds open.
TEST(WriteFile, AFileHeldOpenElsewhereIsLeftAsItWas) {
    TempDir dir;
    EntryList list = make_list({E(u"entry", u"text")});
    write_bytes(dir / "out.peltatxt", "previous export");
    HANDLE h = CreateFileW((dir / "out.peltatxt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(write_file(u16(dir / "out.txt"), list.get()));
    CloseHandle(h);
    EXPECT_EQ(read_bytes(dir / "out.peltatxt"), "previous export");
    EXPECT_EQ(file_names(dir.path()), std::vector<std::string>{"out.peltatxt"});
    EXPECT_TRUE(write_file(u16(dir / "out.txt"), list.get()));
    EXPECT_EQ(read_bytes(dir / "out.peltatxt").substr(0, 2), "\xFF\xFE");
}
#else

// Runs an export in a child process whose file size limit is bytes, so that writing really fails.
bool export_under_size_limit(const std::filesystem::path& target_path, const std::vector<Rec>& recs, rlim_t bytes) {
    pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{bytes, bytes};
        setrlimit(RLIMIT_FSIZE, &limit);
        EntryList list = make_list(recs);
        _exit(write_file(u16(target_path), list.get()) ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(WriteFile, FailedWritesAreReportedAndThePreviousFileSurvives) {
    TempDir dir;
    std::vector<Rec> recs;
    for (int i = 0; i < 5000; ++i) recs.push_back(E(u"entry", u"some text that takes room"));
    write_bytes(dir / "out.peltatxt", "previous export");
    for (rlim_t limit : {rlim_t{0}, rlim_t{100}, rlim_t{300000}}) {
        EXPECT_FALSE(export_under_size_limit(dir / "out.txt", recs, limit)) << limit;
        EXPECT_TRUE(read_bytes(dir / "out.peltatxt") == "previous export") << limit;
        EXPECT_EQ(file_names(dir.path()), std::vector<std::string>{"out.peltatxt"}) << limit;
    }
    EXPECT_TRUE(export_under_size_limit(dir / "out.txt", recs, RLIM_INFINITY));
    EXPECT_EQ(read_bytes(dir / "out.peltatxt").substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(file_names(dir.path()), std::vector<std::string>{"out.peltatxt"});
}
#endif

}  // namespace
}  // namespace peltatxt
