// formats_test.cpp — the tool's text forms on their own: lossless JSON, the CSV reader, column widths, diff pairing.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "code_units.h"
#include "diff.h"
#include "excerpt.h"
#include "failure.h"
#include "json_text.h"
#include "records_csv.h"
#include "records_json.h"
#include "support/records.h"
#include "terminal.h"

namespace peltatxt::cli {
namespace {

using host::Record;

// The tests' builders with the arguments these tests vary first.
Record entry(std::u16string title, std::u16string text, int32_t id = 1, int32_t parent = -1) {
    return testing::entry(id, parent, std::move(title), std::move(text));
}

Record folder(std::u16string title, int32_t id, int32_t parent = -1) {
    return testing::folder(id, parent, std::move(title));
}

std::u16string random_units(std::mt19937& random, std::size_t n) {
    // Mostly the units that matter here: surrogates, quotes, commas, backslashes, line breaks, NUL.
    static constexpr char16_t kPool[] = {u'a', u'"', u',', u'\\', u'\r', u'\n', 0,      0xD800, 0xDBFF,
                                         0xDC00, 0xDFFF, u'あ', 0xFFFF, u'u', u'/', u'\t', 0xFFFD};
    std::u16string s;
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t k = random() % (sizeof kPool / sizeof kPool[0] + 1);
        s += k < sizeof kPool / sizeof kPool[0] ? kPool[k] : static_cast<char16_t>(random() % 0x10000);
    }
    return s;
}

TEST(CodeUnits, EveryUnitSurvivesUnitsUtf8) {
    std::mt19937 random(15);
    for (int round = 0; round < 2000; ++round) {
        std::u16string s = random_units(random, random() % 12);
        EXPECT_EQ(units_of_utf8(units_utf8(s)), s);
    }
    EXPECT_EQ(units_utf8(u"\xD800"), "\xED\xA0\x80");
    EXPECT_EQ(units_utf8(u"\U0001F680"), "\xF0\x9F\x9A\x80");
    std::size_t bad = 0;
    EXPECT_FALSE(units_of_utf8("ab\xC3", &bad));
    EXPECT_EQ(bad, 2u);
    EXPECT_FALSE(units_of_utf8("\xC0\x80"));  // an overlong NUL
    EXPECT_EQ(first_lone_surrogate(u"a\U0001F680\xDC00"), 3u);
    EXPECT_FALSE(first_lone_surrogate(u"a\U0001F680"));
}

TEST(Excerpt, MessagesQuoteAShortEscapedPieceOfTheInput) {
    struct Case {
        std::string bytes;
        std::size_t max;
        Keep keep;
        std::string shown;
    };
    const Case cases[] = {
        {"plain", 40, Keep::Start, "plain"},
        {"a\"b\\c\r\n\t", 40, Keep::Start, "a\"b\\c\\r\\n\\t"},
        {"\x1B\x7F\xC2\x85", 40, Keep::Start, "\\u001B\\u007F\\u0085"},
        {"x\xFFy\xC3", 40, Keep::Start, "x\\xFFy\\xC3"},               // not UTF-8
        {"\xC0\x80", 40, Keep::Start, "\\xC0\\x80"},                  // an overlong NUL
        {"\xED\xA0\x80z", 40, Keep::Start, "\\uD800z"},               // a lone surrogate
        {std::string(100, 'k'), 40, Keep::Start, std::string(40, 'k') + "..."},
        {"ab\xF0\x9F\x9A\x80", 3, Keep::Start, "ab..."},         // no half of a character
        {"日本語テキスト", 3, Keep::Start, "日本語..."},
        {std::string(100, 'k') + "\xFF", 10, Keep::End, "..." + std::string(9, 'k') + "\\xFF"},
    };
    for (const Case& c : cases) EXPECT_EQ(excerpt(c.bytes, c.max, c.keep), c.shown) << c.bytes;
    EXPECT_EQ(quoted_excerpt("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(quoted_excerpt(std::string(50, 'q')), "\"" + std::string(40, 'q') + "...\"");
}

TEST(JsonText, PlainTextIsWrittenExactlyAsNlohmannJsonWritesIt) {
    std::mt19937 random(4180);
    for (int round = 0; round < 300; ++round) {
        Json doc = Json::array();
        for (int i = 0; i < 3; ++i) {
            std::u16string s = random_units(random, 8);
            while (std::optional<std::size_t> at = first_lone_surrogate(s)) s[*at] = u'x';
            std::string key = "k";
            key += std::to_string(i);
            doc.push_back(Json{{key, units_utf8(s)}, {"n", -i}, {"e", Json::array()}});
        }
        EXPECT_EQ(json_text(doc), doc.dump(2));
    }
}

TEST(JsonText, LoneSurrogateEscapesAreWrittenAndReadAsTheUnit) {
    Json doc = Json::object();
    doc["t"] = units_utf8(u"a\xD800" u"b\xDC00\U0001F680\xDBFF");
    EXPECT_EQ(json_text(doc), "{\n  \"t\": \"a\\uD800b\\uDC00\xF0\x9F\x9A\x80\\uDBFF\"\n}");
    struct Case {
        const char* json;
        std::u16string units;
    };
    const Case cases[] = {
        {R"(["\uD800"])", u"\xD800"},
        {R"(["\udc00x"])", u"\xDC00x"},
        {R"(["\uD83D\uDE80"])", u"\U0001F680"},         // a pair is a character
        {R"(["\uDE80\uD83D"])", u"\xDE80\xD83D"},       // reversed: two lone units
        {R"(["\uD800\uD800\uDC00"])", u"\xD800\U00010000"},
        {R"(["\\uD800"])", u"\\uD800"},                 // an escaped backslash: text
        {R"(["x\"\uD800\"y"])", u"x\"\xD800\"y"},
        {R"(["\uFFFD", "\uD800"])", u"\xD800"},         // the second literal, not the first
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        Json parsed = parse_json_text(c.json);
        EXPECT_EQ(units_of_utf8(parsed.back().get<std::string>()), c.units);
    }
    // A lone surrogate escape as a key, and after other strings, is restored to the right string.
    Json keyed = parse_json_text(R"({"a": "b", "\uD800": "\uDC00"})");
    EXPECT_EQ(keyed.size(), 2u);
    EXPECT_EQ(units_of_utf8(keyed.at(units_utf8(u"\xD800")).get<std::string>()), u"\xDC00");
    EXPECT_THROW(parse_json_text(R"(["\uD800)"), nlohmann::json::parse_error);
    EXPECT_THROW(parse_json_text("[\"\xC3\"]"), nlohmann::json::parse_error);
}

TEST(JsonText, AnyTextParsesOrFailsWithAParseError) {
    // Random soup of the characters that matter to the escape scan: no crash, no other failure,
    // and whatever parses has the lone surrogates of its escapes (when the soup is a string).
    std::mt19937 random(11);
    static constexpr std::string_view kPool[] = {"\"", "\\", "\\u", "D800", "DC00", "dbff", "\\uD83D\\uDE80",
                                                 "[", "]", "{", "}", ":", ",", "x", "\xED\xA0\x80", "1"};
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (std::size_t n = random() % 12; n > 0; --n) text += kPool[random() % std::size(kPool)];
        try {
            Json doc = parse_json_text(text);
            if (doc.is_string()) {
                EXPECT_TRUE(units_of_utf8(doc.get<std::string>())) << text;
            }
        } catch (const nlohmann::json::parse_error&) {
        }
    }
}

TEST(JsonText, RecordsWithAnyUnitsComeBackFromJson) {
    std::mt19937 random(2);
    for (int round = 0; round < 200; ++round) {
        Records list = {folder(random_units(random, 5), 1), entry(random_units(random, 6), random_units(random, 9), 2, 1)};
        list[0].data = random_units(random, 4);
        list[1].macro = random_units(random, 4);
        for (Shape shape : {Shape::Tree, Shape::Flat}) {
            Records back = records_from_json(records_to_json(list, shape, "x"), "x");
            ASSERT_EQ(back.size(), 2u);
            for (std::size_t i = 0; i < 2; ++i) {
                EXPECT_EQ(back[i].title, list[i].title);
                EXPECT_EQ(back[i].data, list[i].data);
                EXPECT_EQ(back[i].macro, list[i].macro);
            }
        }
    }
}

TEST(CsvReader, WhatTheWriterWritesSplitsBackIntoTheSameCells) {
    // Property: random cells written the RFC 4180 way split into exactly those cells.
    std::mt19937 random(7);
    static constexpr char kPool[] = "a,\"\r\n x";
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::vector<std::string>> rows(1 + random() % 4, std::vector<std::string>(1 + random() % 3));
        for (auto& r : rows)
            for (auto& c : r)
                for (std::size_t n = random() % 5; n > 0; --n) c += kPool[random() % (sizeof kPool - 1)];
        std::string csv;
        for (const auto& r : rows) {
            for (std::size_t c = 0; c < r.size(); ++c) {
                bool quote = r[c].find_first_of(",\"\r\n") != std::string::npos || (r.size() == 1 && r[c].empty());
                std::string cell = r[c];
                for (std::size_t at = cell.find('"'); at != std::string::npos; at = cell.find('"', at + 2))
                    cell.insert(at, 1, '"');
                if (c) csv += ',';
                if (quote) csv += '"';
                csv += cell;
                if (quote) csv += '"';
            }
            csv += random() % 2 ? "\r\n" : "\n";
        }
        std::vector<std::vector<CsvCell>> split = split_csv(csv, "x");
        ASSERT_EQ(split.size(), rows.size()) << csv;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            ASSERT_EQ(split[r].size(), rows[r].size()) << csv;
            for (std::size_t c = 0; c < rows[r].size(); ++c) EXPECT_EQ(split[r][c].text, rows[r][c]) << csv;
        }
    }
}

TEST(CsvReader, AnyBytesGiveCellsOrOneLineFailure) {
    std::mt19937 random(99);
    static constexpr char kPool[] = "ab,\"\r\n\\\xEF\xBB\xBF";
    for (int round = 0; round < 20000; ++round) {
        std::string csv;
        for (std::size_t n = random() % 40; n > 0; --n) csv += kPool[random() % (sizeof kPool - 1)];
        try {
            records_from_csv(csv, "fuzz.csv");
        } catch (const Failure& f) {
            std::string what = f.what();
            EXPECT_EQ(what.rfind("fuzz.csv: row ", 0), 0u) << what;
            EXPECT_EQ(what.find('\n'), std::string::npos) << what;
        }
    }
}

TEST(CsvRecords, EveryUnitComesBackThroughCsv) {
    std::mt19937 random(3);
    for (int round = 0; round < 300; ++round) {
        Records list = {folder(random_units(random, 5), 1), folder(random_units(random, 3), 2, 1),
                        entry(random_units(random, 6), random_units(random, 9), 3, 2),
                        entry(random_units(random, 2), random_units(random, 2), 4, 1)};
        list[0].data = random_units(random, 4);
        list[2].macro = random_units(random, 4);
        Records back = records_from_csv(records_to_csv(list), "x.csv");
        EXPECT_EQ(back, list);
    }
}

// A list as "title(kind)" with a folder's records in braces: "A(4){x(2) y(2)} w(2)".
std::string shape(const Records& list) {
    std::string out;
    std::vector<int32_t> open;
    for (const Record& r : list) {
        while (!open.empty() && open.back() != r.parentId) open.pop_back(), out += "}";
        if (!out.empty() && out.back() != '{') out += " ";
        out += units_utf8(r.title) + "(" + std::to_string(r.kind) + ")";
        if (is_folder(r.kind)) open.push_back(r.id), out += "{";
    }
    return out + std::string(open.size(), '}');
}

TEST(CsvRecords, RowsInAnyOrderGoWhereTheirPathsSay) {
    const std::string header = "folder,kind,letterCode,title,text,macro,comment\r\n";
    struct Case {
        const char* name;
        std::string rows;
        std::string shape;  // or, when it starts "row", the failure
    };
    const Case cases[] = {
        {"in the writer's order", ",folder,,A,,,\n/A,locked,,x,x,,\n,locked,,w,w,,\n", "A(4){x(2)} w(2)"},
        {"a row added at the end for an earlier folder", ",folder,,A,,,\n/A,locked,,x,x,,\n,locked,,w,w,,\n/A,one-time,,y,y,,\n",
         "A(4){x(2) y(1)} w(2)"},
        {"a record before its folders' rows", "/A/B,locked,,z,z,,\n,folder H,,A,,,c\n/A,locked,,x,x,,\n",
         "A(8){B(4){z(2)} x(2)}"},
        {"sorted by folder", ",locked,,w,w,,\n,folder,,A,,,\n,folder,,B,,,\n/A,locked,,x,x,,\n/B,locked,,y,y,,\n",
         "w(2) A(4){x(2)} B(4){y(2)}"},
        {"an empty kind is locked", ",,,t,t,,\n", "t(2)"},
        {"two sibling folders with the path", ",folder,,A,,,\n,folder,,A,,,\n,locked,,w,w,,\n/A,locked,,x,x,,\n",
         "row 5, column 1 (folder): the folder path \"/A\" names no one folder: two folders have this path"},
        {"a title holding the separator", ",folder,,a/b,,,\n,locked,,w,w,,\n/a/b,locked,,x,x,,\n",
         "row 4, column 1 (folder): the folder path \"/a/b\" names no one folder: a folder title on this path holds"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            EXPECT_EQ(shape(records_from_csv(header + c.rows, "x.csv")), c.shape);
        } catch (const Failure& failure) {
            EXPECT_EQ(std::string(failure.what()).find("x.csv: " + c.shape), 0u) << failure.what();
        }
    }
}

TEST(Terminal, WidthsFromTheUnicodeData) {
    struct Case {
        std::u16string text;
        std::size_t columns;
    };
    const Case cases[] = {
        {u"🚀", 2},           {u"☕", 2},           {u"⌚", 2},
        {u"e\u0301", 1},      {u"\u0915\u094D", 1},  // a virama is a mark
        {u"漢字かなカナ", 12}, {u"ｶﾅ", 2},           {u"Ａ１", 4},
        {u"\U00020B9F", 2},   {u"\u200B", 0},        {u"\u00AD", 1},   // the soft hyphen shows
        {u"\u1100\u1161\u11A8", 2},                   // conjoining Hangul: one syllable
        {u"👍🏽", 2},           {u"👨‍👩‍👧", 2},          {u"🇯🇵🇩🇪", 4},
        {u"❤", 1},            {u"❤️", 2},            {u"©", 1},
        {u"a\U0001F680b", 4},
    };
    for (const Case& c : cases) EXPECT_EQ(text_width(c.text), c.columns) << host::utf8_replacing(c.text);
    // The wide emoji of a title cut to 30 columns: the line is 30 columns, no more.
    std::u16string rockets;
    for (int i = 0; i < 12; ++i) rockets += u"🚀☕";
    std::string shown = printable(rockets, 30);
    EXPECT_EQ(text_width(host::utf16_replacing(shown)), 29u);  // 13 emoji and "..."
    EXPECT_EQ(shown.substr(shown.size() - 3), "...");
}

TEST(Diff, PairsByFolderPathAndTitleInOrder) {
    Records before = {folder(u"F", 1), entry(u"a", u"1", 2, 1), entry(u"a", u"2", 3, 1), entry(u"b", u"b", 4, 1),
                      entry(u"c", u"c", 5)};
    Records after = {folder(u"F", 10), entry(u"a", u"1", 11, 10), entry(u"a", u"two", 12, 10),
                     entry(u"c", u"c", 13, 10), entry(u"d", u"d", 14)};
    CollectionDiff diff(before, after);
    ASSERT_EQ(diff.changes().size(), 4u) << diff.text("a", "b");
    const std::vector<Change>& c = diff.changes();
    EXPECT_EQ(c[0].what, Change::What::Changed);
    EXPECT_EQ(c[0].before, 2u);
    EXPECT_EQ(c[0].fields, std::vector<std::string>{"text"});
    EXPECT_EQ(c[1].what, Change::What::Removed);
    EXPECT_EQ(c[1].before, 3u);
    EXPECT_EQ(c[2].what, Change::What::Moved);
    EXPECT_EQ(c[2].after, 3u);
    EXPECT_EQ(c[3].what, Change::What::Added);
    EXPECT_EQ(c[3].after, 4u);
    EXPECT_TRUE(CollectionDiff(before, before).changes().empty());
    EXPECT_EQ(CollectionDiff(before, before).text("a", "b"), "");
}

TEST(Diff, TheExcerptShowsWhereALongTextDiffers) {
    std::u16string base(200, u'x');
    Records before = {entry(u"t", base + u"old" + base)}, after = {entry(u"t", base + u"new" + base)};
    std::string text = CollectionDiff(before, after).text("a", "b");
    EXPECT_NE(text.find("    text: ...\"xxxxxxxxxxold"), std::string::npos) << text;
    EXPECT_NE(text.find("-> ...\"xxxxxxxxxxnew"), std::string::npos) << text;
    EXPECT_LT(text.size(), 300u) << "excerpts, not whole texts";
}

}  // namespace
}  // namespace peltatxt::cli
