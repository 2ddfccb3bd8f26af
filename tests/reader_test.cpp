// reader_test.cpp — importing: classification, headers, buffers, blocks, bare lines, ids and file framing.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <optional>

#include "datafile/data_file.h"
#include "format/markers.h"
#include "format_test_support.h"
#include "fs/file_system.h"
#include "text/line_pieces.h"

namespace peltatxt {
namespace {
using namespace testing;


Rec F(std::u16string title, uint8_t kind = 4, std::u16string comment = u"", std::u16string macro = u"") {
    Rec r = folder(0, kNoParent, std::move(title), kind);
    r.data = std::move(comment);
    r.macro = std::move(macro);
    return r;
}
// Compares everything but ids and parents.
void expect_records(const std::u16string& text, std::vector<Rec> expected) {
    std::vector<Rec> got = read_text(text);
    for (Rec& r : got) r.id = 0, r.parentId = kNoParent;
    EXPECT_EQ(got, expected) << narrow(text);
}

TEST(Classify, MarkersAfterWhitespaceAndNearMisses) {
    struct Case {
        std::u16string line;
        std::optional<Marker> marker;
    } cases[] = {
        {CMT + u"text\r\n", Marker::CMT},
        {u"  \t" + CMT + u"x", Marker::CMT},
        {u"\u3000" + FED + NL, Marker::FED},
        {u"\r" + DED + NL, Marker::DED},
        {u"_|PELTATXT-CMT|\r\n", std::nullopt},    // without its final underscore
        {u"_|PELTATXT-cmt|_", std::nullopt},       // case matters
        {u"_|PELTATXT-XYZ|_", std::nullopt},
        {u"x" + CMT, std::nullopt},
        {u"_|PELTA\rTXT-DED|_\r\n", Marker::DED},  // CR anywhere is left out before matching
        {u"\u00A0" + FED, std::nullopt},           // no-break space is not whitespace
        {FLD + u"T|_", Marker::FLD},
        {DAT + u"|_", Marker::DAT},
        {SDT, Marker::SDT},
        {ONE, Marker::OneTime}, {LCK, Marker::Locked}, {NTR, Marker::NTR}, {DNL, Marker::DNL},
        {TRM, Marker::TRM}, {FCM, Marker::FCM}, {MAC, Marker::MAC},
        {ESC + DED, std::nullopt},
    };
    std::u16string scratch;
    for (const Case& c : cases) EXPECT_EQ(classify(c.line, scratch).marker, c.marker) << narrow(c.line);
}

TEST(Classify, EveryMarkerMatchesOnlyWhole) {
    const std::u16string markers[] = {CMT, FCM, MAC, ONE, LCK, NTR, DNL, TRM, FLD, FED, DAT, SDT, DED};
    const Marker classes[] = {Marker::CMT, Marker::FCM, Marker::MAC, Marker::OneTime, Marker::Locked,
                              Marker::NTR, Marker::DNL, Marker::TRM, Marker::FLD,     Marker::FED,
                              Marker::DAT, Marker::SDT, Marker::DED};
    std::u16string scratch;
    for (std::size_t m = 0; m < std::size(markers); ++m) {
        EXPECT_EQ(classify(markers[m] + u"x\r\n", scratch).marker, classes[m]) << narrow(markers[m]);
        EXPECT_EQ(classify(markers[m].substr(0, markers[m].size() - 1), scratch).marker, std::nullopt);
        for (std::size_t at = 0; at < markers[m].size(); ++at) {
            std::u16string changed = markers[m] + u"x";
            changed[at] = u'#';
            EXPECT_EQ(classify(changed, scratch).marker, std::nullopt) << narrow(changed);
        }
    }
}

TEST(Classify, LineBreaksAnywhereAreLeftOutOfTheStrippedLine) {
    std::u16string scratch;
    for (std::size_t n = 0; n <= 40; ++n) {
        const std::u16string text(n, u'x');
        EXPECT_EQ(classify(text + u"\r\n", scratch).stripped, text) << n;
        for (std::size_t at = 0; at <= n; ++at) {
            std::u16string line = text;
            line.insert(at, 1, u'\r');
            EXPECT_EQ(classify(line + u"\n", scratch).stripped, text) << n << " " << at;
            EXPECT_EQ(classify(line, scratch).stripped, text) << n << " " << at;
        }
    }
}

TEST(Classify, EscapedLineKeepsWhatFollowsTheMarker) {
    std::u16string scratch;
    const std::u16string line = u"  " + ESC + u"  " + DED + u" \r\n", doubled = ESC + ESC + u"x";
    ClassifiedLine l = classify(line, scratch);
    EXPECT_EQ(l.marker, std::nullopt);
    EXPECT_EQ(l.raw, u"  " + DED + u" \r\n");
    EXPECT_EQ(l.stripped, DED + u" ");
    l = classify(doubled, scratch);  // only the first escape goes
    EXPECT_EQ(l.raw, ESC + u"x");
}

// The escape marker counts only as written: with a CR inside it, it is ordinary text. Only the
// other markers are matched with line breaks left out.
TEST(Classify, AnEscapeMarkerWithALineBreakInsideIsText) {
    const std::u16string cr_esc = u"_|PELTATXT-E\rSC|_";
    struct Case {
        std::u16string line;
        std::optional<Marker> marker;
        std::u16string raw, stripped;
    } cases[] = {
        {cr_esc + u"x\r\n", std::nullopt, cr_esc + u"x\r\n", ESC + u"x"},
        {u" \u3000" + cr_esc + u"x", std::nullopt, u" \u3000" + cr_esc + u"x", ESC + u"x"},
        {u"_|PELTATXT-ESC\r|_x", std::nullopt, u"_|PELTATXT-ESC\r|_x", ESC + u"x"},
        {u"\r_|PELTATXT-ESC|_x", std::nullopt, u"x", u"x"},  // a CR before it is leading whitespace
        {cr_esc + DED + NL, std::nullopt, cr_esc + DED + NL, ESC + DED},  // not an escaped DED, and no DED
        {cr_esc + NL, std::nullopt, cr_esc + NL, ESC},
        {ESC + u" _|PELTATXT-D\rED|_ \r\n", std::nullopt, u" _|PELTATXT-D\rED|_ \r\n", DED + u" "},
        {ESC + cr_esc + u"x", std::nullopt, cr_esc + u"x", ESC + u"x"},  // the writer's escape of such a line
        {ESC + NL, std::nullopt, NL, u""},
    };
    std::u16string scratch;
    for (const Case& c : cases) {
        ClassifiedLine l = classify(c.line, scratch);
        EXPECT_EQ(l.marker, c.marker) << narrow(c.line);
        EXPECT_EQ(l.raw, c.raw) << narrow(c.line);
        EXPECT_EQ(l.stripped, c.stripped) << narrow(c.line);
    }
}

TEST(FolderHeader, FlagsAndTitles) {
    struct Case {
        std::u16string rest;
        uint8_t kind;
        std::u16string title;
    } cases[] = {
        {u"Docs|_", 0x04, u"Docs"},   {u"H|Docs|_", 0x08, u"Docs"},  {u"O|Docs|_", 0x14, u"Docs"},
        {u"H|O|T|_", 0x18, u"T"},     {u"O|H|T|_", 0x18, u"T"},      {u"xH|Docs|_", 0x08, u"Docs"},
        {u"xyO|Docs|_", 0x14, u"Docs"}, {u"xyzH|Docs|_", 0x04, u"xyzH|Docs"}, {u"H|_", 0x08, u""},
        {u"|_", 0x04, u""},           {u"no end", 0x04, u""},        {u"a|_ignored", 0x04, u"a"},
    };
    for (const Case& c : cases) {
        const std::u16string header = FLD + c.rest;
        FolderHeader h = parse_folder_header(header);
        EXPECT_EQ(h.kind, c.kind) << narrow(c.rest);
        EXPECT_EQ(h.title, c.title) << narrow(c.rest);
    }
}

TEST(DataHeader, LetterCodesTitlesAndRest) {
    struct Case {
        std::u16string rest;
        int8_t code;
        std::u16string title;
        bool terminated;
        std::u16string after;
    } cases[] = {
        {u"x|_y", 0, u"x", true, u"y"},       {u"D|x|_y", 1, u"x", true, u"y"},   {u"K|x|_", 7, u"x", true, u""},
        {u"R|x|_a|_b", 3, u"x", true, u"a|_b"}, {u"Q|x|_y", 0, u"Q|x", true, u"y"}, {u"d|x|_y", 0, u"d|x", true, u"y"},
        {u"|_y", 0, u"", true, u"y"},         {u"D|_y", 1, u"", false, u""},      {u"xy", 0, u"", false, u""},
        {u"S||_y", 4, u"", true, u"y"},
    };
    for (const Case& c : cases) {
        const std::u16string header = SDT + c.rest;
        DataHeader h = parse_data_header(header);
        EXPECT_EQ(h.letterCode, c.code) << narrow(c.rest);
        EXPECT_EQ(h.title, c.title) << narrow(c.rest);
        EXPECT_EQ(h.terminated, c.terminated) << narrow(c.rest);
        EXPECT_EQ(h.rest, c.after) << narrow(c.rest);
    }
}

TEST(Reader, EmptyFilesAndBannerOnlyGiveNoRecords) {
    expect_records(u"", {});
    expect_records(kBanner, {});
    expect_records(u"\r\n  \r\n\t\r\n", {});
}

TEST(Reader, WorkedExampleReadsBackToItsFourRecords) {
    TempDir dir;
    std::filesystem::copy_file(PELTATXT_FIXTURES "/example.peltatxt", dir / "example.peltatxt");
    EntryList list;
    ASSERT_TRUE(read_file(u16(dir / "example.peltatxt"), list));
    std::vector<Rec> got = records_of(list.get());
    ASSERT_EQ(got.size(), 4u);
    int32_t t = got[0].id;
    EXPECT_EQ(got[0], folder(t, -1, u"Greetings"));
    EXPECT_EQ(got[1], entry(t + 1, t, u"Hello", u"Hello"));
    EXPECT_EQ(got[2], entry(t + 2, t, u"Sig", u"Best regards\r\nAnn"));
    Rec x = entry(t + 3, -1, u"x", u"x", 1);
    x.letterCode = 3;
    EXPECT_EQ(got[3], x);
}

TEST(Reader, IdsCountEveryHeaderAndBareLineFromTheSeed) {
    std::u16string text = doc({FLD + u"F|_", SDT + u"|_" /* no record, id used */, DAT + u"B|_", u"body", DED, u"bare",
                               FED, u"top"});
    std::vector<Rec> got = read_text(text, 500);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].id, 500);
    EXPECT_EQ(got[0].parentId, -1);
    EXPECT_EQ(got[1].id, 502);
    EXPECT_EQ(got[1].parentId, 500);
    EXPECT_EQ(got[2].id, 503);
    EXPECT_EQ(got[2].parentId, 500);
    EXPECT_EQ(got[3].id, 504);
    EXPECT_EQ(got[3].parentId, -1);
}

TEST(Reader, IdsWrapAroundAndEmptyFolderTitlesBecomeTheId) {
    std::vector<Rec> got = read_text(doc({FLD + u"|_", FLD, u"x"}), INT32_MAX);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].title, u"2147483647");
    EXPECT_EQ(got[1].id, INT32_MIN);
    EXPECT_EQ(got[1].title, u"-2147483648");
    EXPECT_EQ(got[2].parentId, INT32_MIN);
}

TEST(Reader, NestingFollowsTheFolderStackAndStrayFolderEndsAreIgnored) {
    std::vector<Rec> got = read_text(doc({FED, FLD + u"A|_", FLD + u"B|_", u"in B", FED, u"in A", FED, FED, u"top"}));
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[1].parentId, got[0].id);
    EXPECT_EQ(got[2].parentId, got[1].id);
    EXPECT_EQ(got[3].parentId, got[0].id);
    EXPECT_EQ(got[4].parentId, -1);
}

TEST(Reader, CommentAndMacroBuffers) {
    // Comment lines lose trailing blanks, macro lines keep them; empty lines before the first text are lost.
    expect_records(doc({FCM, FCM + u"a  ", FCM, FCM + u"b", MAC + u" m ", FLD + u"F|_"}),
                   {F(u"F", 4, u"a\r\n\r\nb", u" m ")});
    // A macro goes to the next record of any kind; a comment waits for the next folder.
    expect_records(doc({FCM + u"c", MAC + u"1", u"bare", MAC + u"2", SDT + u"s|_t", MAC + u"3", DAT + u"d|_", u"x",
                        DED, FLD + u"F|_"}),
                   {E(u"bare", u"bare", 2, 0, u"1"), E(u"s", u"t", 2, 0, u"2"), E(u"d", u"x", 2, 0, u"3"), F(u"F", 4, u"c")});
    // A macro that ends in a line break gives an empty last macro line.
    expect_records(doc({MAC + u"a", MAC, u"x"}), {E(u"x", u"x", 2, 0, u"a\r\n")});
    // Switch and comment lines do not take a macro.
    expect_records(doc({MAC + u"m", ONE, NTR, TRM, CMT, u"x"}), {E(u"x", u"x", 1, 0, u"m")});
}

TEST(Reader, MultiLineBlocks) {
    expect_records(doc({DAT + u"T|_", DED}), {E(u"T", u"T")});                       // empty body: text from title
    expect_records(doc({DAT + u"|_", u"  x  ", u"y", DED}), {E(u"x", u"  x  \r\ny")});  // title from body
    expect_records(doc({DAT + u"t|_", u"a", u"", DED}), {E(u"t", u"a\r\n")});  // one line break removed
    expect_records(doc({DAT + u"t|_", ESC + DED, u"  " + ESC + u"  z", DED}),
                   {E(u"t", DED + u"\r\n  z")});
    expect_records(doc({DAT + u"t|_", ESC + u"   ", DED}), {E(u"t", u"   ")});
    expect_records(doc({DAT + u"t|_", u"a\rb\n" + DED}), {E(u"t", u"a\rb\n")});  // only CR LF is removed
    expect_records(doc({DAT + u"t|_", u"never ends"}), {});
    // Another header leaves the block without its record; switch lines act inside it.
    expect_records(doc({DAT + u"lost|_", u"a", ONE, SDT + u"s|_v"}), {E(u"s", u"v", 1)});
    expect_records(doc({DAT + u"|_", DED}), {});
}

TEST(Reader, BareLineModes) {
    std::u16string line = u"  abc  \r\n";
    expect_records(NTR + NL + line, {E(u"abc", line)});
    expect_records(DNL + NL + line, {E(u"abc", u"  abc  ")});
    expect_records(TRM + NL + line, {E(u"abc", u"abc")});
    expect_records(line, {E(u"abc", u"abc")});  // the starting mode trims
    expect_records(doc({DNL, u"a\rb"}), {E(u"ab", u"ab")});
    expect_records(ESC + u"   " + NL, {});
    expect_records(u"  " + ESC + u" " + FED + u" " + NL, {E(FED, FED)});
}

TEST(Reader, KindSwitchesAndLetterCodes) {
    expect_records(doc({ONE, u"a", SDT + u"D|b|_c", LCK, DAT + u"K|d|_", u"e", DED, u"f"}),
                   {E(u"a", u"a", 1), E(u"b", u"c", 1, 1), E(u"d", u"e", 2, 7), E(u"f", u"f")});
    // A lone code letter as title forms a code with the terminator: no title, no text, no record.
    expect_records(SDT + u"D|_x" + NL, {});
}

TEST(Reader, SingleLineRules) {
    expect_records(SDT + u"|_text" + NL, {E(u"text", u"text")});  // empty title taken from the text
    expect_records(SDT + u"t|_ a\rb " + NL, {E(u"t", u" ab ")});  // trailing blanks kept, CR lost
    expect_records(SDT + u"t|_" + ESC + DED + NL, {E(u"t", DED)});  // the writer's escape is removed
    expect_records(SDT + u"t|_" + ESC + ESC + u"x" + NL, {E(u"t", ESC + u"x")});
    expect_records(SDT + u"t|_a" + ESC + NL, {E(u"t", u"a" + ESC)});
    expect_records(SDT + u"t|_" + NL, {E(u"t", u"")});  // a titled entry with an empty text is kept
    expect_records(SDT + u"no terminator" + NL, {});
    expect_records(doc({MAC + u"m", SDT + u"no terminator"}), {E(u"", u"", 2, 0, u"m")});
    expect_records(doc({MAC + u"m", SDT + u"|_"}), {E(u"", u"", 2, 0, u"m")});
}

TEST(Reader, AnEscapeMarkerWithALineBreakInsideKeepsItsText) {
    const std::u16string cr_esc = u"_|PELTATXT-E\rSC|_", line = u"  " + cr_esc + u"x ";
    struct Case {
        const char* what;
        std::u16string text;
        std::vector<Rec> expected;
    } cases[] = {
        // Outside a block: a bare line, its title from the copy without line breaks.
        {"TRM", line + NL, {E(ESC + u"x", ESC + u"x")}},
        {"DNL", DNL + NL + line + NL, {E(ESC + u"x", u"  " + ESC + u"x ")}},
        {"NTR", NTR + NL + line + NL, {E(ESC + u"x", line + NL)}},
        {"before a marker", cr_esc + FED + NL, {E(ESC + FED, ESC + FED)}},
        {"alone", cr_esc + NL, {E(ESC, ESC)}},
        // Inside a block: the line as it stands, and a block end after it does not end the block.
        {"block", DAT + u"t|_" + NL + line + NL + DED + NL, {E(u"t", line)}},
        {"block, block end after it", DAT + u"t|_" + NL + cr_esc + DED + NL + u"b" + NL + DED + NL,
         {E(u"t", cr_esc + DED + NL + u"b")}},
        {"block, escaped", DAT + u"t|_" + NL + ESC + cr_esc + u"x" + NL + DED + NL, {E(u"t", cr_esc + u"x")}},
        // After a single line's terminator only an escape as written is the writer's.
        {"single line", SDT + u"t|_" + cr_esc + u"x" + NL, {E(u"t", ESC + u"x")}},
        {"single line, CR before the escape", SDT + u"t|_\r" + ESC + u"x" + NL, {E(u"t", ESC + u"x")}},
        {"single line, CR in the title", SDT + u"a\rb|_" + ESC + u"x" + NL, {E(u"ab", u"x")}},
        {"single line, escaped", SDT + u"t|_" + ESC + cr_esc + u"x" + NL, {E(u"t", ESC + u"x")}},
    };
    for (const Case& c : cases) {
        std::vector<Rec> got = read_text(c.text);
        for (Rec& r : got) r.id = 0;
        EXPECT_EQ(got, c.expected) << c.what;
    }
}

TEST(Reader, StrayBlockEndsAreIgnored) {
    expect_records(doc({SDT + u"a|_b", DED, u"c", DED, FLD + u"F|_", DED}),
                   {E(u"a", u"b"), E(u"c", u"c"), F(u"F")});
}

TEST(Reader, FoldersNeverTakeALetterCode) {
    std::vector<Rec> got = read_text(doc({DAT + u"R|t|_", u"x", FLD + u"F|_"}));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].letterCode, 0);
    EXPECT_EQ(got[0].title, u"F");
}

TEST(Reader, LongLinesArriveInPieces) {
    std::u16string long_line(kMaxPiece + 10, u'x');
    // Outside a block the rest of a long line is an entry of its own.
    std::vector<Rec> got = read_text(long_line + NL);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].title.size(), kMaxPiece);
    EXPECT_EQ(got[1].title, std::u16string(10, u'x'));
    // A line whose rest is only its line break leaves no second entry.
    EXPECT_EQ(read_text(std::u16string(kMaxPiece - 1, u'y') + NL).size(), 1u);
    // Inside a block the pieces join up again.
    got = read_text(doc({DAT + u"t|_", long_line, DED}));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].data, long_line);
    // ...unless a later piece begins with a marker.
    got = read_text(doc({DAT + u"t|_", std::u16string(kMaxPiece, u'z') + DED, u"after"}));
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].data, std::u16string(kMaxPiece, u'z'));
    EXPECT_EQ(got[1].title, u"after");
}

TEST(ReadFile, ByteOrderMarkOddLengthAndLastLineWithoutBreak) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::u16string> titles;
    } cases[] = {
        {"bom", utf16le(u"a\r\nb", true), {u"a", u"b"}},
        {"no-bom", utf16le(u"a\r\nb", false), {u"a", u"b"}},
        {"odd", utf16le(u"a\r\nb", true) + "x", {u"a", u"b"}},
        {"other-bom", "\xFE\xFF" + utf16le(u"\r\na", false), {u"\uFFFE", u"a"}},
        {"empty", "", {}},
    };
    for (const Case& c : cases) {
        write_bytes(dir / c.name, c.bytes);
        EntryList list;
        ASSERT_TRUE(read_file(u16(dir / c.name), list)) << c.name;
        std::vector<std::u16string> titles;
        for (const Rec& r : records_of(list.get())) titles.push_back(r.title);
        EXPECT_EQ(titles, c.titles) << c.name;
    }
}

TEST(ReadFile, MissingFilesAndDirectoriesGiveNoListAndEmptyIt) {
    TempDir dir;
    EntryList list = make_list({entry(1, -1, u"old", u"old")});
    EXPECT_FALSE(read_file(u16(dir / "missing"), list));
    EXPECT_EQ(list.size(), 0u);
    EXPECT_FALSE(read_file(u16(dir.path()), list));
}

TEST(ReadFile, IdsStartAtTheFilesCreationTime) {
    TempDir dir;
    write_text(dir / "f", u"a\r\nb\r\n");
    int64_t seconds = 0;
    ASSERT_TRUE(fs::creation_seconds(u16(dir / "f"), seconds));
    EntryList list;
    ASSERT_TRUE(read_file(u16(dir / "f"), list));
    std::vector<Rec> got = records_of(list.get());
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].id, static_cast<int32_t>(seconds));
    EXPECT_EQ(got[1].id, static_cast<int32_t>(seconds) + 1);
}

}  // namespace
}  // namespace peltatxt
