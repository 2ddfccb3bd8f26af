// parts_test.cpp — the tool's parts on their own: UTF-16 look test, columns, JSON reading, round-trip pairing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "encoding_check.h"
#include "failure.h"
#include "folder_paths.h"
#include "host_io.h"
#include "records.h"
#include "records_csv.h"
#include "records_json.h"
#include "round_trip.h"
#include "streams.h"
#include "support/files.h"
#include "support/temp_dir.h"
#include "support/records.h"
#include "terminal.h"

namespace peltatxt::cli {
namespace {

using host::Record;

using testing::rec;

TEST(EncodingWarning, TellsUtf16FromEightBitText) {
    struct Case {
        std::string bytes;
        const char* warning;  // a part of the warning, or nullptr for none
    };
    const Case cases[] = {
        {"", nullptr},
        {std::string("\xFF\xFE", 2), nullptr},
        {std::string("\xFF\xFEh\0i\0", 6), nullptr},
        {std::string("h\0i\0\r\0\n\0", 8), nullptr},                  // UTF-16 without the byte-order mark
        {std::string("\x42\x30\x44\x30\r\0\n\0", 8), nullptr},        // Japanese UTF-16 with a line break
        {"hello\r\nworld\r\n", "does not look like UTF-16"},          // ASCII
        {"\xE3\x81\x82\xE3\x81\x84\n", "does not look like UTF-16"},  // UTF-8
        {"\xEF\xBB\xBF\xE3\x81\x82", "is UTF-8 text"},                // UTF-8 with its byte-order mark
        {std::string("\xFE\xFF\0h", 4), "big-endian"},
    };
    for (const Case& c : cases) {
        std::optional<std::string> w = encoding_warning(c.bytes);
        if (!c.warning) {
            EXPECT_FALSE(w) << *w;
        } else {
            ASSERT_TRUE(w) << c.warning;
            EXPECT_NE(w->find(c.warning), std::string::npos) << *w;
        }
    }
}

TEST(Terminal, CountsColumnsOfWideAndZeroWidthCharacters) {
    EXPECT_EQ(column_width(U'a'), 1u);
    EXPECT_EQ(column_width(U'あ'), 2u);
    EXPECT_EQ(column_width(U'漢'), 2u);
    EXPECT_EQ(column_width(U'Ａ'), 2u);  // full-width Latin
    EXPECT_EQ(column_width(U'ｱ'), 1u);   // half-width katakana
    EXPECT_EQ(column_width(U'\u0301'), 0u);
    EXPECT_EQ(column_width(U'\U00020B9F'), 2u);
    EXPECT_EQ(text_width(u"aあ\tb"), 5u);
    EXPECT_EQ(text_width(u"\U00020B9F"), 2u);  // one code point from a surrogate pair
}

TEST(Terminal, PrintableCutsWithinTheColumns) {
    struct Case {
        std::u16string text;
        std::size_t columns;
        std::string shown;
    };
    const Case cases[] = {
        {u"abcdef", 0, "abcdef"},
        {u"abcdef", 6, "abcdef"},
        {u"abcdef", 5, "ab..."},
        {u"あいうえお", 10, "あいうえお"},
        {u"あいうえお", 7, "あい..."},
        {u"あいうえお", 6, "あ..."},  // another あ would need 7 columns
        {u"a\tb\x01\x1B[31m", 0, "a b??[31m"},
        {u"x\xD800y", 0, "x\xEF\xBF\xBDy"},  // a lone surrogate becomes U+FFFD
        {u"\U00020B9F\U00020B9Fzz", 5, "\xF0\xA0\xAE\x9F..."},
        {u"abcdef", 2, "ab"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(printable(c.text, c.columns), c.shown) << c.columns;
        if (c.columns) {
            EXPECT_LE(text_width(host::utf16_replacing(printable(c.text, c.columns))), c.columns);
        }
    }
}

TEST(Terminal, WidthComesFromColumnsWhenItHoldsANumber) {
    setenv("COLUMNS", "123", 1);
    EXPECT_EQ(terminal_width(), 123u);
    setenv("COLUMNS", "12x", 1);
    EXPECT_NE(terminal_width(), 12u);
    setenv("COLUMNS", "0", 1);
    EXPECT_GT(terminal_width(), 0u);
    unsetenv("COLUMNS");
}

TEST(OutputPath, DirectoryAndStemPlusTheExtension) {
    EXPECT_EQ(output_path_for("a/b.txt"), "a/b.peltatxt");
    EXPECT_EQ(output_path_for("notes"), "./notes.peltatxt");
    EXPECT_EQ(output_path_for("notes.txt"), "./notes.peltatxt");
    EXPECT_EQ(output_path_for("data.d/notes"), "data.d/notes.peltatxt");
    EXPECT_EQ(output_path_for("data/.x"), "data/.peltatxt");
    EXPECT_EQ(output_path_for("/a/b.c.d"), "/a/b.c.peltatxt");
}

TEST(StandardInput, IsCopiedIntoAPrivateFileUpToTheLimitAndRefusedPastIt) {
    testing::TempDir tmp;
    const char* was = std::getenv("TMPDIR");
    std::string previous = was ? was : "";
    ::setenv("TMPDIR", tmp.path().c_str(), 1);
    constexpr std::size_t kLimit = 200000;  // several pieces of the copy
    for (std::size_t bytes : {kLimit, kLimit + 1}) {
        SCOPED_TRACE(bytes);
        std::string content(bytes, 'x');
        std::FILE* in = std::tmpfile();
        ASSERT_NE(in, nullptr);
        std::fwrite(content.data(), 1, content.size(), in);
        std::rewind(in);
        try {
            InputFile file("-", in, kLimit);
            EXPECT_EQ(bytes, kLimit);
            EXPECT_EQ(file.name(), "standard input");
            EXPECT_EQ(testing::read_bytes(file.path()), content);
            struct stat st {};
            EXPECT_EQ(::stat(file.path().c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, 0600u);
        } catch (const Failure& f) {
            EXPECT_EQ(bytes, kLimit + 1);
            EXPECT_EQ(std::string(f.what()), "standard input: holds more than 200000 bytes, the most the tool reads from it");
        }
        std::fclose(in);
        EXPECT_TRUE(std::filesystem::is_empty(tmp.path())) << "the copy is removed";
    }
    if (was)
        ::setenv("TMPDIR", previous.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

TEST(Nesting, FollowsTheOpenFoldersLikeTheWriter) {
    Records list = {rec(4, 10, -1, u"F"), rec(2, 11, 10, u"a"), rec(8, 12, 10, u"G"),   rec(2, 13, 12, u"b"),
                    rec(2, 14, 10, u"c"), rec(2, 15, -1, u"d"), rec(2, 16, 12, u"late")};
    EXPECT_EQ(folder_positions(list), (std::vector<std::ptrdiff_t>{-1, 0, 0, 2, 0, -1, -1}));
}

TEST(JsonRead, TreeShapeNumbersRecordsAndLinksTheirFolders) {
    Records r = records_from_json(R"([
        {"kind": "folder H O", "title": "F", "comment": "c", "macro": "m", "children": [
          {"kind": "one-time", "letterCode": "K", "title": "t", "text": "x\r\ny"},
          {"kind": "folder", "title": "G", "children": [{"kind": 3, "letterCode": 9, "title": "z"}]}]},
        {"kind": "locked", "letterCode": null, "title": "top"}])",
                                  "in.json");
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[0], rec(0x18, 1, -1, u"F", u"c", u"m"));
    EXPECT_EQ(r[1], rec(1, 2, 1, u"t", u"x\r\ny", u"", 7));
    EXPECT_EQ(r[2], rec(4, 3, 1, u"G"));
    EXPECT_EQ(r[3], rec(3, 4, 3, u"z", u"", u"", 9));
    EXPECT_EQ(r[4], rec(2, 5, -1, u"top"));
}

TEST(JsonRead, FlatShapeKeepsIdsAndHostFields) {
    Records r = records_from_json(R"([
        {"id": -5, "parentId": -1, "kind": 12, "title": "F", "auxA": 7, "auxB": -8},
        {"id": 3, "parentId": -5, "kind": "locked", "letterCode": -3, "title": "t", "text": "x"}])",
                                  "in.json");
    ASSERT_EQ(r.size(), 2u);
    Record folder = rec(12, -5, -1, u"F");
    folder.auxA = 7;
    folder.auxB = -8;
    EXPECT_EQ(r[0], folder);
    EXPECT_EQ(r[1], rec(2, 3, -5, u"t", u"x", u"", -3));
}

TEST(JsonRead, EveryShapeFaultNamesTheRecordAndField) {
    struct Case {
        const char* json;
        const char* message;
    };
    const Case cases[] = {
        {"", "in.json: invalid JSON at line 1, column 1: "},
        {"[1,]", "in.json: invalid JSON at line 1, column 4: "},
        {"[{\"kind\": \"locked\", \"title\": \"\xFF\"}]",
         "in.json: invalid JSON at line 1, column 31: syntax error while parsing value - invalid string: ill-formed "
         "UTF-8"},
        {"\"x\"", "in.json: expected an array of records at the top level, found a string"},
        {"[[]]", "in.json: record at /0: expected a record object, found an array"},
        {R"([{"kind": "Locked"}])", R"(record at /0: "kind" must be "one-time", "locked")"},
        {R"([{"kind": "entry"}])",
         R"("kind" must be "one-time", "locked", "folder", "folder H", "folder O", "folder H O" or a number from 0 to 255)"},
        {R"([{"kind": 256}])", R"("kind" must be)"},
        {R"([{"kind": 2.0}])", R"("kind" must be)"},
        {R"([{"kind": "locked", "letterCode": "DE"}])", R"("letterCode" must be one of)"},
        {R"([{"kind": "locked", "letterCode": 200}])", R"("letterCode" must be one of)"},
        {R"([{"kind": "locked", "title": "x", "macro": null}])",
         R"(record at /0 ("x"): "macro" must be a string, not null)"},
        {R"([{"kind": "locked", "title": "x", "comment": "c"}])", R"("comment" belongs to folders)"},
        {R"([{"kind": "folder", "title": "x", "text": "c"}])", R"("text" belongs to entries)"},
        {R"([{"kind": "folder", "children": {}}])", R"("children" must be an array of records)"},
        {R"([{"kind": "folder", "children": [{"kind": "locked", "titel": "x"}]}])",
         R"(record at /0/children/0: unknown field "titel")"},
        {R"([{"kind": "folder", "children": [{"kind": "locked", "id": 4}]}])",
         R"(record at /0/children/0: "id" is only read in the flat shape)"},
        {R"([{"id": 1, "kind": "folder", "children": []}])", R"("children" belongs to the nested shape)"},
        {R"([{"parentId": -1, "kind": "locked"}])", R"(record at /0: "id" is missing)"},
        {R"([{"id": 2147483648, "kind": "locked"}])", R"("id" must be a whole number)"},
        {R"([{"id": 1, "kind": "locked"}, {"id": 1, "kind": "locked", "title": "b"}])",
         R"(record at /1 ("b"): "id" 1 is already used by the record at /0)"},
        {R"([{"id": -1, "kind": "folder"}])", R"(a folder cannot have "id" -1)"},
        {R"([{"id": 1, "kind": "folder"}, {"id": 2, "kind": "folder"}, {"id": 3, "parentId": 1, "kind": "locked"}])",
         R"(record at /2: "parentId" 1 names a folder whose records ended before this one)"},
        {R"([{"id": 1, "kind": "folder"}, {"id": 2, "parentId": 3, "kind": "locked"}, {"id": 3, "kind": "folder"}])",
         R"(record at /1: "parentId" 3 names no earlier folder)"},
        {R"([{"kind": "locked", "kind": "folder"}])", R"(record at /0: "kind" appears twice)"},
        {R"([{"kind": "locked", "title": "a", "x": 1, "title": "b"}])", R"(record at /0 ("a"): unknown field "x")"},
        {R"([{"kind": "folder", "children": [], "title": "a", "children": []}])",
         R"(record at /0 ("a"): "children" appears twice)"},
    };
    for (const Case& c : cases) {
        try {
            records_from_json(c.json, "in.json");
            ADD_FAILURE() << "accepted " << c.json;
        } catch (const Failure& f) {
            std::string what = f.what();
            EXPECT_NE(what.find(c.message), std::string::npos) << c.json << "\n" << what;
            EXPECT_EQ(what.find('\n'), std::string::npos) << what;
        }
    }
}

TEST(JsonRead, MessagesQuoteAShortEscapedExcerptOfTheInput) {
    struct Case {
        std::string json;
        std::string message;
    };
    const Case cases[] = {
        {"[{\"kind\": 1, \"" + std::string(100000, 'k') + "\": 1}]",
         "in.json: record at /0: unknown field \"" + std::string(40, 'k') + "...\""},
        {"[{\"kind\": 1, \"title\": \"" + std::string(100000, 't') + "\xFF\"}]",
         "in.json: invalid JSON at line 1, column 100024: syntax error while parsing value - invalid string: "
         "ill-formed UTF-8 byte; last read: '..." + std::string(39, 't') + "\\xFF'"},
        {"[{\"kind\": 1, \"\xC3(\": 1}]", "in.json: invalid JSON at line 1, column 16: syntax error while parsing "
                                         "object key - invalid string: ill-formed UTF-8 byte; last read: '\"\\xC3('; "
                                         "expected string literal"},
    };
    for (const Case& c : cases) {
        try {
            records_from_json(c.json, "in.json");
            ADD_FAILURE() << "accepted " << c.json.substr(0, 100);
        } catch (const Failure& f) {
            EXPECT_EQ(std::string(f.what()), c.message);
        }
    }
}

TEST(JsonWrite, FlatShapeCarriesEveryValueBack) {
    Records list = {rec(0x0C, 7, -1, u"F", u"comment\r\n", u"m"),
                    rec(0, 8, 7, u"t\u00E9\U0001F600", u"a\"b\\", u"", -4), rec(0xFF, 9, -1, u"", u"", u"", 8)};
    list[0].auxA = -1;
    list[2].auxB = 2147483647;
    EXPECT_EQ(records_from_json(records_to_json(list, Shape::Flat, "x"), "x"), list);
}

TEST(JsonWrite, TreeShapeLeavesOutWhatIsNotThere) {
    Records list = {rec(4, 7, -1, u"F"), rec(2, 8, 7, u"t", u"t"), rec(1, 9, -1, u"u", u"v", u"m", 1)};
    EXPECT_EQ(records_to_json(list, Shape::Tree, "x"), R"([
  {
    "kind": "folder",
    "title": "F",
    "children": [
      {
        "kind": "locked",
        "title": "t",
        "text": "t"
      }
    ]
  },
  {
    "kind": "one-time",
    "letterCode": "D",
    "title": "u",
    "text": "v",
    "macro": "m"
  }
]
)");
}

TEST(JsonWrite, TreeShapeRefusesFoldersNestedTooDeep) {
    Records list;
    for (int32_t i = 0; i <= static_cast<int32_t>(kMaxTreeDepth) + 1; ++i)
        list.push_back(rec(4, i + 1, i == 0 ? -1 : i, u"f"));
    try {
        records_to_json(list, Shape::Tree, "deep.peltatxt");
        ADD_FAILURE() << "no failure";
    } catch (const Failure& f) {
        EXPECT_NE(std::string(f.what()).find("deep.peltatxt: folders nest deeper than 1000 levels; use the flat shape"),
                  std::string::npos)
            << f.what();
    }
    // The flat shape writes it all, and reading it back refuses the record nested too deep.
    try {
        records_from_json(records_to_json(list, Shape::Flat, "x"), "x");
        ADD_FAILURE() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(std::string(f.what()), "x: record at /1001 (\"f\"): folders nest deeper than 1000 levels");
    }
}

TEST(Nesting, EveryJsonAndCsvShapeReadsFoldersUpToTheDepthCapAndNoDeeper) {
    // folders nested in each other; the innermost is held by folders - 1 of them.
    auto chain = [](std::size_t folders) {
        Records list;
        for (std::size_t i = 0; i < folders; ++i) {
            auto id = static_cast<int32_t>(i);
            list.push_back(rec(4, id + 1, i == 0 ? -1 : id, u"f"));
        }
        return list;
    };
    auto tree = [](std::size_t folders) {
        std::string json;
        for (std::size_t i = 1; i < folders; ++i) json += R"([{"kind": "folder", "title": "f", "children": )";
        json += R"([{"kind": "folder", "title": "f"}])";
        for (std::size_t i = 1; i < folders; ++i) json += "}]";
        return json;
    };
    struct Case {
        const char* shape;
        std::size_t folders;
        const char* refused;  // where, when it is refused
    };
    const Case cases[] = {
        {"flat", kMaxTreeDepth + 1, nullptr},
        {"flat", kMaxTreeDepth + 2, "x: record at /1001 (\"f\"): "},
        {"tree", kMaxTreeDepth + 1, nullptr},
        {"tree", kMaxTreeDepth + 2, "x: record at /0/children/0/children/0/"},
        {"csv", kMaxTreeDepth + 1, nullptr},
        {"csv", kMaxTreeDepth + 2, "x: row 1003, column 1 (folder): "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.shape) + " " + std::to_string(c.folders));
        std::string shape = c.shape;
        try {
            Records read = shape == "csv"    ? records_from_csv(records_to_csv(chain(c.folders)), "x")
                           : shape == "flat" ? records_from_json(records_to_json(chain(c.folders), Shape::Flat, "x"), "x")
                                             : records_from_json(tree(c.folders), "x");
            EXPECT_EQ(c.refused, nullptr);
            EXPECT_EQ(read.size(), c.folders);
        } catch (const Failure& f) {
            ASSERT_NE(c.refused, nullptr) << f.what();
            std::string what = f.what();
            EXPECT_EQ(what.rfind(c.refused, 0), 0u) << what;
            EXPECT_NE(what.find("folders nest deeper than 1000 levels"), std::string::npos) << what;
        }
    }
}

TEST(RoundTrip, IdenticalListsHaveNoFindings) {
    Records before = {rec(4, 1, -1, u"F"), rec(2, 2, 1, u"a", u"a")};
    Records after = {rec(4, 90, -1, u"F"), rec(2, 91, 90, u"a", u"a")};  // renumbered
    after[1].auxA = 5;
    EXPECT_TRUE(compare_round_trip(before, after).empty());
}

TEST(RoundTrip, EachFieldIsComparedAndExplained) {
    Records before = {rec(4, 1, -1, u"F", u"c  \r\nd"), rec(3, 2, 1, u"a\nb", u"x", u"\r\nm", 9)};
    Records after = {rec(4, 1, -1, u"F", u"c\r\nd"), rec(2, 2, 1, u"ab", u"y", u"m")};
    std::vector<Finding> f = compare_round_trip(before, after);
    ASSERT_EQ(f.size(), 6u);
    EXPECT_EQ(f[0].field, "comment");
    EXPECT_EQ(f[0].reason, R"(blanks at the end of a comment line are not kept; came back as "c\r\nd")");
    EXPECT_EQ(f[1].field, "kind");
    EXPECT_EQ(f[1].reason, "entries keep only the kinds one-time and locked; came back as locked");
    EXPECT_EQ(f[2].field, "letterCode");
    EXPECT_EQ(f[2].reason, "only the letter codes D, E, R, S, C, P and K are written; came back as none");
    EXPECT_EQ(f[3].field, "title");
    EXPECT_EQ(f[4].field, "text");
    EXPECT_EQ(f[4].reason, R"(came back as "y")");
    EXPECT_EQ(f[5].field, "macro");
    EXPECT_EQ(f[5].reason, R"(empty lines at the start of a macro are not kept; came back as "m")");
    std::vector<std::string> lines = describe(f, before, after);
    EXPECT_EQ(lines[3], R"(record 2 "a\nb" in "F": title: a title cannot hold a line break; came back as "ab")");
}

TEST(RoundTrip, ALostOrAddedRecordDoesNotShiftThePairing) {
    Records before = {rec(2, 1, -1, u"a"), rec(2, 2, -1, u""), rec(2, 3, -1, u"b"), rec(2, 4, -1, u"c")};
    Records after = {rec(2, 1, -1, u"a"), rec(2, 3, -1, u"b"), rec(2, 5, -1, u"new"), rec(2, 4, -1, u"c")};
    std::vector<Finding> f = compare_round_trip(before, after);
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].before, 1u);
    EXPECT_EQ(f[0].after, Finding::kNone);
    EXPECT_EQ(f[0].reason, "did not come back: an entry without title, text or macro is not read back");
    EXPECT_EQ(f[1].before, Finding::kNone);
    EXPECT_EQ(f[1].after, 2u);
    EXPECT_EQ(describe(f, before, after)[1], R"(record 3 "new" (read back): came back, but was not exported)");
}

TEST(RoundTrip, NestingIsComparedByPosition) {
    Records before = {rec(4, 1, -1, u"F"), rec(2, 2, 1, u"in"), rec(4, 3, -1, u"G"), rec(2, 4, 3, u"x")};
    Records after = {rec(4, 1, -1, u"F"), rec(2, 2, -1, u"in"), rec(4, 3, -1, u"G"), rec(2, 4, 3, u"x")};
    std::vector<Finding> f = compare_round_trip(before, after);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].field, "nesting");
    EXPECT_EQ(f[0].reason, R"(was in folder 1 "F", came back at top level)");
}

}  // namespace
}  // namespace peltatxt::cli
