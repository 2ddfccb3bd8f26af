// text_test.cpp — whitespace class, trimming, decimal numbers, line pieces and file primitives.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <fstream>
#include <utility>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "support/files.h"
#include "support/records.h"
#include "support/temp_dir.h"
#include "fs/atomic_file.h"
#include "text/byte_sink.h"
#include "fs/file_sink.h"
#include "fs/file_source.h"
#include "fs/file_system.h"
#include "text/line_pieces.h"
#include "text/unicode_text.h"
#include "text/utf8.h"

namespace peltatxt {
namespace {
using testing::TempDir;
using testing::u16;

// The Unicode White_Space property (PropList.txt), written out: the blanks are these code points
// of the Basic Multilingual Plane but U+0085 (NEXT LINE) and U+00A0 (NO-BREAK SPACE), which the
// format counts as text.
constexpr char16_t kUnicodeWhiteSpace[] = {
    0x0009, 0x000A, 0x000B, 0x000C, 0x000D,  // TAB, LF, VT, FF, CR
    0x0020,                                  // SPACE
    0x0085,                                  // NEXT LINE
    0x00A0,                                  // NO-BREAK SPACE
    0x1680,                                  // OGHAM SPACE MARK
    0x2000, 0x2001, 0x2002, 0x2003, 0x2004, 0x2005, 0x2006, 0x2007, 0x2008, 0x2009, 0x200A,  // EN QUAD .. HAIR SPACE
    0x2028, 0x2029,                          // LINE SEPARATOR, PARAGRAPH SEPARATOR
    0x202F,                                  // NARROW NO-BREAK SPACE
    0x205F,                                  // MEDIUM MATHEMATICAL SPACE
    0x3000,                                  // IDEOGRAPHIC SPACE
};
constexpr char16_t kWhiteSpaceThatIsText[] = {0x0085, 0x00A0};

TEST(Whitespace, LatinOneBlanksAreTabLfVtFfCrAndSpace) {
    struct Case {
        char16_t c;
        bool blank;
    } cases[] = {
        {u'\t', true},    {u'\n', true},     {u'\v', true},      {u'\f', true},     {u'\r', true},
        {u' ', true},     {u'\0', false},    {u'\x08', false},   {u'\x0E', false},  {u'\x1F', false},
        {u'\x1C', false}, {u'\x1D', false},  {u'\x1E', false},   {u'!', false},     {u'_', false},
        {u'\x7F', false}, {u'\u0085', false}, {u'\u00A0', false}, {u'\u00AD', false}, {u'\u00FF', false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(is_space(c.c), c.blank) << "U+" << std::hex << static_cast<unsigned>(c.c);
}

TEST(Whitespace, EveryUnitIsABlankExactlyWhenUnicodeSaysWhiteSpaceButNelAndNbsp) {
    auto listed = [](const auto& list, char16_t c) { return std::find(std::begin(list), std::end(list), c) != std::end(list); };
    int blanks = 0;
    for (char32_t u = 0; u <= 0xFFFF; ++u) {
        const char16_t c = static_cast<char16_t>(u);
        const bool expected = listed(kUnicodeWhiteSpace, c) && !listed(kWhiteSpaceThatIsText, c);
        EXPECT_EQ(is_space(c), expected) << "U+" << std::hex << static_cast<unsigned>(u);
        blanks += is_space(c);
    }
    EXPECT_EQ(blanks, 23);
    EXPECT_FALSE(is_space(u'\u200B'));  // zero width space is no space
    EXPECT_FALSE(is_space(u'\uFEFF'));
}

TEST(Trim, Cases) {
    struct Case {
        std::u16string_view in, left, right;
    } cases[] = {
        {u"", u"", u""},
        {u" \t\r\n\v\f", u"", u""},
        {u"  abc  ", u"abc  ", u"  abc"},
        {u"\u00A0abc\u00A0", u"\u00A0abc\u00A0", u"\u00A0abc\u00A0"},
        {u"\u3000\u6F22\u3000", u"\u6F22\u3000", u"\u3000\u6F22"},
        {u"a b", u"a b", u"a b"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(trim_left(c.in), c.left) << testing::narrow(c.in);
        EXPECT_EQ(trim_right(c.in), c.right) << testing::narrow(c.in);
        EXPECT_EQ(trim(c.in), trim_left(trim_right(c.in)));
    }
}

TEST(Find, FromAnOffsetAndPastTheEnd) {
    EXPECT_EQ(find_from(u"a|_b|_", u"|_", 0), 1u);
    EXPECT_EQ(find_from(u"a|_b|_", u"|_", 2), 4u);
    EXPECT_EQ(find_from(u"a|_", u"|_", 3), Text::npos);
    EXPECT_EQ(find_from(u"a|_", u"|_", 9), Text::npos);
}

TEST(Find, UnitsAndLineBreaksAtEveryPositionFromEveryOffset) {
    // Lengths and positions on both sides of the 16-unit steps the scans compare at once.
    for (std::size_t n = 0; n <= 40; ++n) {
        for (std::size_t at = 0; at <= n; ++at) {  // at == n: no match
            for (char16_t c : {u'\n', u'\r'}) {
                std::u16string s(n, u'x');
                if (at < n) s[at] = c;
                if (at + 3 < n) s[at + 3] = c;  // a later match must not win
                for (std::size_t from = 0; from <= n + 1; ++from) {
                    std::size_t first = Text::npos;
                    for (std::size_t i = from; i < n && first == Text::npos; ++i)
                        if (s[i] == c) first = i;
                    EXPECT_EQ(find_unit(s, c, from), first) << n << " " << at << " " << from;
                    EXPECT_EQ(find_line_break(s, from), first) << n << " " << at << " " << from;
                    EXPECT_EQ(find_unit(s, u'y', from), Text::npos);
                }
            }
        }
    }
    EXPECT_EQ(find_unit(u"ab\u3042", u'\u3042'), 2u);
    EXPECT_EQ(find_line_break(u"\u0a0d\u0d0a\u000d"), 2u);  // whole units, not bytes
}

TEST(Find, VectorAndUnitByUnitSearchesAgree) {
    // Lines of a document shifted across every offset of two vector steps: marker lines, CR LF,
    // a lone CR, LF and CR in a unit's high byte (U+0A00, U+0D0A, U+0A0D), and pieces of the
    // reader's longest length with the break just inside, on and just past their end.
    const std::u16string lines[] = {
        u"_|PELTATXT-DAT|t|_\r\n", u"  _|PELTATXT-ESC|_x\n", u"a\rb\r\n", u"\u0a00\u0d0a\u0a0d\u0d00\n",
        u"\r", u"\n", u"\r\r\n\n", u"\u3042\u000a\u0a0a",
    };
    std::vector<std::u16string> inputs;
    for (std::size_t shift = 0; shift < 32; ++shift)
        for (const std::u16string& line : lines) inputs.push_back(std::u16string(shift, u'_') + line + u"tail");
    for (std::size_t end : {kMaxPiece - 1, kMaxPiece, kMaxPiece + 1}) {
        std::u16string piece(kMaxPiece + 2, u'\u0a0d');
        piece[end - 1] = u'\n';
        inputs.push_back(piece);
    }
    for (const std::u16string& s : inputs) {
        for (std::size_t from = 0; from <= s.size() + 1; from += (s.size() > 100 ? 997 : 1)) {
            for (auto [a, b] : {std::pair{u'\r', u'\n'}, {u'\n', u'\n'}, {u'_', u'_'}, {u'\u0a0d', u'\r'}}) {
                std::size_t expected = unit_search::portable(s, a, b, from);
                ASSERT_EQ(unit_search::vector(s, a, b, from), expected) << s.size() << " from " << from;
                if (a == b) {
                    EXPECT_EQ(find_unit(s, a, from), expected);
                }
            }
            EXPECT_EQ(find_line_break(s, from), unit_search::portable(s, u'\r', u'\n', from));
        }
    }
    // Every length up to three vector steps, with hits at two positions (before and after the
    // start), from every start: the last step of a search overlaps the one before it.
    for (std::size_t n = 0; n <= 48; ++n)
        for (std::size_t hit = 0; hit < n; ++hit) {
            std::u16string s(n, u'x');
            s[hit] = u'\n';
            s[n - 1 - hit] = u'\r';
            for (std::size_t from = 0; from <= n; ++from) {
                ASSERT_EQ(unit_search::vector(s, u'\r', u'\n', from), unit_search::portable(s, u'\r', u'\n', from))
                    << n << " " << hit << " from " << from;
                ASSERT_EQ(unit_search::vector(s, u'\r', u'\r', from), unit_search::portable(s, u'\r', u'\r', from))
                    << n << " " << hit << " from " << from;
            }
        }
    // The search for a line break or a pair, over every length up to five steps: the pair at
    // every position (across two steps, and its first unit last, with nothing after it), a line
    // break at every other position, both in a unit's high byte too.
    for (std::size_t n = 0; n <= 40; ++n)
        for (std::size_t at = 0; at <= n; ++at)
            for (std::size_t brk = 0; brk <= n; ++brk) {
                std::u16string s(n, u'\u7c5f');  // "|" and "_" in its two bytes
                if (at < n) s[at] = u'|';
                if (at + 1 < n) s[at + 1] = u'_';
                if (brk < n && brk != at && brk != at + 1) s[brk] = brk % 2 ? u'\r' : u'\n';
                for (char16_t b : {u'_', u'x'})
                    ASSERT_EQ(unit_search::break_or_pair_vector(s, u'|', b), unit_search::break_or_pair_portable(s, u'|', b))
                        << n << " " << at << " " << brk;
                EXPECT_EQ(find_line_break_or_pair(s, u'|', u'_'), unit_search::break_or_pair_portable(s, u'|', u'_'));
            }
    EXPECT_EQ(find_line_break_or_pair(u"title|", u'|', u'_'), Text::npos);
    EXPECT_EQ(find_line_break_or_pair(u"a title of more units|_", u'|', u'_'), 21u);
    EXPECT_EQ(find_line_break_or_pair(u"a title of more units\r", u'|', u'_'), 21u);
    // The scanner hands out what repeated unit-by-unit searches find.
    for (const std::u16string& s : inputs) {
        for (char16_t c : {u'\n', u'_', u'\u0a0d'}) {
            UnitScanner scanner(s, c);
            std::size_t from = 0;
            for (;;) {
                std::size_t expected = unit_search::portable(s, c, c, from);
                ASSERT_EQ(scanner.next(), expected) << s.size() << " from " << from;
                if (expected == Text::npos) break;
                from = expected + 1;
            }
            EXPECT_EQ(scanner.next(), Text::npos);
        }
    }
    EXPECT_EQ(unit_search::portable(u"ab", u'b', u'b', Text::npos), Text::npos);
    EXPECT_EQ(unit_search::vector(u"ab", u'b', u'b', Text::npos), Text::npos);
}

TEST(Decimal, SignedWithoutLeadingZeros) {
    EXPECT_EQ(decimal(0), u"0");
    EXPECT_EQ(decimal(7), u"7");
    EXPECT_EQ(decimal(-1), u"-1");
    EXPECT_EQ(decimal(1700000000), u"1700000000");
    EXPECT_EQ(decimal(INT32_MAX), u"2147483647");
    EXPECT_EQ(decimal(INT32_MIN), u"-2147483648");
}

TEST(LineBreaks, RemovedAnywhere) {
    std::u16string out = u">";
    append_without_line_breaks(out, u"a\rb\r\nc\n");
    EXPECT_EQ(out, u">abc");
}

std::vector<std::u16string> pieces_from(ByteSource& source) {
    LinePieceReader reader(source);
    std::vector<std::u16string> out;
    Text piece;
    while (reader.next(piece)) out.emplace_back(piece);
    EXPECT_FALSE(reader.failed());
    return out;
}

// The pieces of bytes read from a file; read from memory they must be the same.
std::vector<std::u16string> pieces_of_bytes(const std::string& bytes) {
    TempDir dir;
    testing::write_bytes(dir / "f", bytes);
    fs::File file;
    EXPECT_TRUE(file.open_read(u16(dir / "f")));
    fs::FileSource from_file(file);
    std::vector<std::u16string> out = pieces_from(from_file);
    MemorySource from_memory(std::as_bytes(std::span(bytes)));
    EXPECT_EQ(pieces_from(from_memory), out) << "memory and file give different pieces";
    return out;
}

std::vector<std::u16string> pieces_of(std::u16string_view text, bool bom = true) {
    return pieces_of_bytes(testing::utf16le(text, bom));
}

// Each lone-surrogate policy, both ways: what UTF-8 cannot carry fails, is replaced, or is kept
// in the three bytes its value would take, and only Keep takes those bytes back.
TEST(Utf8, LoneSurrogatePolicies) {
    using L = LoneSurrogates;
    struct Encode {
        std::u16string units;
        L lone;
        bool ok;
        std::string bytes;
    };
    const Encode encode[] = {
        {u"a\u00E9\u3042", L::Fail, true, "a\xC3\xA9\xE3\x81\x82"},
        {u"\U0001F680", L::Fail, true, "\xF0\x9F\x9A\x80"},  // a pair is one character
        {u"a\xD800", L::Fail, false, "a"},
        {u"\xD800" u"b", L::Replace, true, "\xEF\xBF\xBD" "b"},
        {u"\xDC00\xD800", L::Keep, true, "\xED\xB0\x80\xED\xA0\x80"},  // low before high pairs nothing
    };
    for (const Encode& c : encode) {
        std::string out;
        EXPECT_EQ(append_utf8(out, c.units, c.lone), c.ok);
        EXPECT_EQ(out, c.bytes);
    }
    struct Decode {
        std::string bytes;
        L lone;
        bool ok;
        std::u16string units;
        std::size_t bad_at;
    };
    const Decode decode[] = {
        {"a\xC3\xA9\xF0\x9F\x9A\x80", L::Fail, true, u"a\u00E9\U0001F680", 0},
        {"\xED\xA0\x80", L::Keep, true, u"\xD800", 0},
        {"x\xED\xA0\x80", L::Fail, false, u"x", 1},
        {"\xED\xA0\x80", L::Replace, true, u"\uFFFD\uFFFD\uFFFD", 0},
        {"ab\xC0\xAF", L::Keep, false, u"ab", 2},                  // overlong "/"
        {"\xF4\x90\x80\x80", L::Keep, false, u"", 0},            // past U+10FFFF
        {"\xE3\x81", L::Replace, true, u"\uFFFD\uFFFD", 0},       // cut short
        {"\x80z", L::Replace, true, u"\uFFFDz", 0},                 // a stray continuation byte
    };
    for (const Decode& c : decode) {
        SCOPED_TRACE(c.bytes);
        std::u16string out;
        std::size_t bad_at = 99;
        EXPECT_EQ(append_utf16(out, c.bytes, c.lone, &bad_at), c.ok);
        EXPECT_EQ(out, c.units);
        if (!c.ok) {
            EXPECT_EQ(bad_at, c.bad_at);
        }
    }
}

TEST(LinePieces, SplitAtLfOnlyAndKeepTheLineBreak) {
    using V = std::vector<std::u16string>;
    EXPECT_EQ(pieces_of(u"a\r\nb\rc\nlast"), (V{u"a\r\n", u"b\rc\n", u"last"}));
    EXPECT_EQ(pieces_of(u"a\n\n"), (V{u"a\n", u"\n"}));  // no empty piece after the last LF
    EXPECT_EQ(pieces_of(u""), V{});
    EXPECT_EQ(pieces_of(u"x\n", false), V{u"x\n"});
}

TEST(LinePieces, EveryShortLineLengthEndsAtItsLf) {
    std::u16string text;
    std::vector<std::u16string> lines;
    for (std::size_t n = 0; n <= 40; ++n) {
        lines.push_back(std::u16string(n, u'a') + u"\n");
        text += lines.back();
    }
    EXPECT_EQ(pieces_of(text), lines);
}

TEST(LinePieces, ByteOrderMarkIsSkippedOnlyWhenExact) {
    using V = std::vector<std::u16string>;
    EXPECT_EQ(pieces_of_bytes(std::string("\xFF\xFE" "a\0\n\0", 6)), V{u"a\n"});
    EXPECT_EQ(pieces_of_bytes(std::string("\xFE\xFF" "a\0", 4)), (V{std::u16string{char16_t(0xFFFE), u'a'}}));
    EXPECT_EQ(pieces_of_bytes("\xFF\xFE"), V{});
    EXPECT_EQ(pieces_of_bytes("\xFF"), V{});  // a lone odd byte is ignored
    EXPECT_EQ(pieces_of_bytes(std::string("a\0b", 3)), V{u"a"});
}

TEST(LinePieces, LongLinesComeInPiecesOf65535Units) {
    for (std::size_t n : {std::size_t{1}, std::size_t{2}, std::size_t{65534}}) {
        std::u16string line(kMaxPiece + n, u'x');
        auto pieces = pieces_of(line + u"\n" + u"next\n");
        ASSERT_EQ(pieces.size(), 3u) << n;
        EXPECT_EQ(pieces[0].size(), kMaxPiece);
        EXPECT_EQ(pieces[1].size(), n + 1);
        EXPECT_EQ(pieces[1].back(), u'\n');
        EXPECT_EQ(pieces[2], u"next\n");
    }
    // A line of exactly 65,535 units with its LF is one piece; one unit more splits off the LF.
    EXPECT_EQ(pieces_of(std::u16string(kMaxPiece - 1, u'y') + u"\n").size(), 1u);
    auto split = pieces_of(std::u16string(kMaxPiece, u'y') + u"\n");
    ASSERT_EQ(split.size(), 2u);
    EXPECT_EQ(split[1], u"\n");
}

// A source that fails after its first bytes: what came before the failure is handed out, then
// the reader stops and reports the failure.
TEST(LinePieces, TellWhenTheirBreaksStandOnlyAtTheEnd) {
    // The reader cuts such a piece's line break off without searching it again: the answer must
    // never be yes for a piece with a break inside, and is yes for lines ending in LF or CR LF.
    struct Case {
        std::u16string text;
        std::vector<bool> at_end;  // per piece
    };
    const Case cases[] = {
        {u"ab\r\ncd\n\r\n\n", {true, true, true, true}},
        {u"a\rb\n\rc\nx\r", {false, false, false}},
        {u"\r\r\nlast", {false, true}},
        {std::u16string(kMaxPiece, u'y') + u"\r\n", {true, true}},
        {std::u16string(kMaxPiece - 1, u'y') + u"\r\n", {false, true}},  // the CR ends a piece
    };
    for (const Case& c : cases) {
        std::string bytes = testing::utf16le(c.text, true);
        MemorySource source(std::as_bytes(std::span(bytes)));
        LinePieceReader reader(source);
        std::vector<bool> got;
        for (Text piece; reader.next(piece);) {
            got.push_back(reader.breaks_at_end());
            Text body = piece;
            while (!body.empty() && (body.back() == u'\r' || body.back() == u'\n')) body.remove_suffix(1);
            if (got.back()) {
                EXPECT_EQ(find_line_break(body), Text::npos) << got.size();
            }
        }
        EXPECT_EQ(got, c.at_end) << c.text.size();
    }
}

TEST(LinePieces, AFailedReadEndsThePiecesAndIsReported) {
    struct FailingSource final : ByteSource {
        std::string first = testing::utf16le(u"a\nb", true);
        int calls = 0;
        std::ptrdiff_t read(void* buffer, std::size_t bytes) override {
            if (calls++ > 0) return -1;
            std::size_t n = std::min(bytes, first.size());
            std::memcpy(buffer, first.data(), n);
            return static_cast<std::ptrdiff_t>(n);
        }
    } source;
    LinePieceReader reader(source);
    Text piece;
    ASSERT_TRUE(reader.next(piece));
    EXPECT_EQ(piece, u"a\n");
    EXPECT_FALSE(reader.next(piece));
    EXPECT_TRUE(reader.failed());
    EXPECT_FALSE(reader.next(piece));
}

TEST(LinePieces, LinesAcrossBlockBoundariesArriveWhole) {
    // Far more than one read block, with line lengths that do not divide it.
    std::u16string text;
    std::vector<std::u16string> lines;
    for (int i = 0; text.size() < 3'000'000; ++i) {
        std::u16string line(static_cast<std::size_t>(1 + (i * 7919) % 5000), static_cast<char16_t>(u'a' + i % 26));
        line += u"\r\n";
        lines.push_back(line);
        text += line;
    }
    EXPECT_EQ(pieces_of(text), lines);
}

TEST(FileStatus, RegularFilesOnly) {
    TempDir dir;
    testing::write_bytes(dir / "f", "x");
    int64_t seconds = 0;
    ASSERT_TRUE(fs::creation_seconds(u16(dir / "f"), seconds));
    int64_t now = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    EXPECT_LE(std::llabs(now - seconds), 600);
    EXPECT_FALSE(fs::creation_seconds(u16(dir / "missing"), seconds));
    EXPECT_FALSE(fs::creation_seconds(u16(dir.path()), seconds));
#if defined(_WIN32)
    EXPECT_FALSE(fs::creation_seconds(u"NUL", seconds));  // the null device
#else
    EXPECT_FALSE(fs::creation_seconds(u"/dev/null", seconds));
#endif
    EXPECT_FALSE(fs::creation_seconds(u"", seconds));
    EXPECT_FALSE(fs::creation_seconds(std::u16string(u"f\0x", 3), seconds));
}

TEST(FileStatus, JapanesePathsWork) {
    TempDir dir;
    auto p = dir.path() / std::filesystem::path(u"\u30C7\u30FC\u30BF.txt");
    testing::write_bytes(p, "x");
    int64_t seconds = 0;
    EXPECT_TRUE(fs::creation_seconds(u16(p), seconds));
}

TEST(FileRead, EndsAtTheSizeTheFileHadWhenOpened) {
    TempDir dir;
    auto p = dir / "growing";
    testing::write_bytes(p, "0123456789");
    fs::File f;
    ASSERT_TRUE(f.open_read(u16(p)));
    EXPECT_EQ(f.size(), 10u);
    {
        std::ofstream more(p, std::ios::binary | std::ios::app);
        more << std::string(100000, 'x');
    }
    std::string got;
    char buffer[4096];
    for (std::ptrdiff_t n; (n = f.read(buffer, sizeof buffer)) > 0;) got.append(buffer, static_cast<std::size_t>(n));
    EXPECT_EQ(got, "0123456789") << "what was appended after the open is not read";
}

TEST(FileRead, OnlyRegularFilesOpen) {
    TempDir dir;
    fs::File f;
    EXPECT_FALSE(f.open_read(u16(dir.path())));
    EXPECT_FALSE(f.open_read(u16(dir / "missing")));
#if !defined(_WIN32)
    EXPECT_FALSE(f.open_read(u"/dev/zero"));
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(f.open_read(u16(dir / "fifo"))) << "refused without waiting for a writer";
    // A file that reports size 0 while it has content reads as empty.
    ASSERT_TRUE(f.open_read(u"/proc/self/status"));
    char c;
    EXPECT_EQ(f.read(&c, 1), 0);
#endif
    EXPECT_FALSE(f.is_open() && f.size() != 0);
}

TEST(AtomicFile, ReplacesTheTargetOnlyOnCommit) {
    TempDir dir;
    auto target = dir / "out";
    testing::write_bytes(target, "old");
    {
        fs::AtomicFile f;
        ASSERT_TRUE(f.open(u16(target)));
        ASSERT_TRUE(f.write(u"new", 3));
        EXPECT_EQ(testing::read_bytes(target), "old");
    }  // abandoned
    EXPECT_EQ(testing::read_bytes(target), "old");
    EXPECT_EQ(testing::file_names(dir.path()), std::vector<std::string>{"out"});
    fs::AtomicFile f;
    ASSERT_TRUE(f.open(u16(target)));
    ASSERT_TRUE(f.write(u"new", 3));
    ASSERT_TRUE(f.commit());
    EXPECT_EQ(testing::read_bytes(target), testing::utf16le(u"new", false));
    EXPECT_EQ(testing::file_names(dir.path()), std::vector<std::string>{"out"});
}

TEST(AtomicFile, EveryFailingOperationLeavesTheTargetAndNoTemporaryFile) {
    TempDir dir;
    auto target = dir / "out";
    testing::write_bytes(target, "old");
    for (long k = 1;; ++k) {
        fs::fail_operation(k, false);
        bool ok;
        {
            fs::AtomicFile f;
            ok = f.open(u16(target)) && f.write(u"new", 3) && f.commit();
        }
        long used = fs::fail_operation(0, false);
        if (ok) {
            EXPECT_LT(used, k) << "the failure was never hit";
            break;
        }
        EXPECT_EQ(testing::read_bytes(target), "old") << k;
        EXPECT_EQ(testing::file_names(dir.path()), std::vector<std::string>{"out"}) << k;
        ASSERT_LT(k, 20);
    }
}

// A save long enough that its first parts are sent on to the device while the rest is written:
// every byte arrives in order, and a failure after that still leaves the target as it was.
TEST(AtomicFile, ALongSaveKeepsEveryByteAndFailsCleanlyLate) {
    TempDir dir;
    auto target = dir / "out";
    testing::write_bytes(target, "old");
    std::string content(static_cast<std::size_t>(fs::AtomicFile::kWritebackBytes * 5 / 2), '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>('a' + (i * 7 + i / 4099) % 26);
    constexpr std::size_t kPiece = 300001;  // odd, so that no write ends on a step
    auto save = [&] {
        fs::AtomicFile f;
        if (!f.open(u16(target))) return false;
        for (std::size_t at = 0; at < content.size(); at += kPiece)
            if (!f.write_bytes(content.data() + at, std::min(kPiece, content.size() - at))) return false;
        return f.commit();
    };
    // A save's operations, counted with a failure that never comes: failures among the last of
    // them fall after the first parts were sent on.
    fs::fail_operation(1000, false);
    ASSERT_TRUE(save());
    const long used = fs::fail_operation(0, false);
    ASSERT_GT(used, static_cast<long>(content.size() / kPiece));
    ASSERT_TRUE(testing::read_bytes(target) == content);
    testing::write_bytes(target, "old");
    for (long k : {used - 8, used - 4, used}) {
        fs::fail_operation(k, false);
        EXPECT_FALSE(save()) << k;
        fs::fail_operation(0, false);
        EXPECT_TRUE(testing::read_bytes(target) == "old") << k;
        EXPECT_EQ(testing::file_names(dir.path()), std::vector<std::string>{"out"}) << k;
    }
}

// Records the size of each write and the bytes; fails from the write numbered fail_at on (1 = the first).
struct RecordingSink final : ByteSink {
    std::vector<std::size_t> writes;
    std::string bytes;
    std::size_t fail_at = 0;
    bool write(const void* p, std::size_t count) override {
        writes.push_back(count);
        if (fail_at && writes.size() >= fail_at) return false;
        bytes.append(static_cast<const char*>(p), count);
        return true;
    }
};

// The buffer goes to the sink only when full or flushed; a view longer than what is left sends
// the buffer, then its own full buffers' worth from where it is; short prefixes come from the run.
TEST(BufferedSink, WritesWholeBuffersAndLongViewsFromWhereTheyAre) {
    constexpr std::size_t N = BufferedSink::kUnits;
    const std::u16string tabs(64, u'\t');
    struct Case {
        std::vector<std::size_t> puts;  // sizes of views of 'x'; 0 stands for put_prefix(tabs, 3)
        std::vector<std::size_t> writes;  // in bytes, the flush's included
    } cases[] = {
        {{}, {}},
        {{3, 0, 5}, {22}},
        {{N}, {2 * N}},
        {{N - 1, 2}, {2 * (N - 1), 4}},
        {{1, 2 * N + 5}, {2, 2 * N, 2 * N, 10}},
        {{N - 2, 0}, {2 * (N - 2), 6}},  // no room for the fixed run: the prefix is put as a view
    };
    for (const Case& c : cases) {
        RecordingSink sink;
        BufferedSink out(sink);
        std::u16string expected;
        for (std::size_t n : c.puts) {
            if (n == 0) {
                out.put_prefix(tabs, 3);
                expected += u"\t\t\t";
            } else {
                std::u16string view(n, u'x');
                out.put(view);
                expected += view;
            }
        }
        out.flush();
        EXPECT_EQ(sink.writes, c.writes) << c.puts.size();
        EXPECT_TRUE(sink.bytes == testing::utf16le(expected, false)) << c.puts.size();
        EXPECT_FALSE(out.failed());
    }
    RecordingSink failing;
    failing.fail_at = 2;
    BufferedSink out(failing);
    out.put(std::u16string(2 * N, u'x'));
    EXPECT_FALSE(out.failed());
    out.put(u"y");
    EXPECT_TRUE(out.failed());
}

TEST(SaveFile, CommitsWhatFillWroteOrLeavesThePreviousFile) {
    TempDir dir;
    auto target = dir / "out";
    struct Case {
        bool fill_result;
        std::string expected;
    } cases[] = {{false, "old"}, {true, "new"}};
    for (const Case& c : cases) {
        testing::write_bytes(target, "old");
        bool saved = fs::save_file(u16(target), [&](ByteSink& sink) { return sink.write("new", 3) && c.fill_result; });
        EXPECT_EQ(saved, c.fill_result);
        EXPECT_EQ(testing::read_bytes(target), c.expected);
        EXPECT_EQ(testing::file_names(dir.path()), std::vector<std::string>{"out"});
    }
    EXPECT_FALSE(fs::save_file(u16(dir / "missing" / "out"), [](ByteSink&) { return true; }));
}

}  // namespace
}  // namespace peltatxt
