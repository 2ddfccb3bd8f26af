// collections_test.cpp — diff, to-csv and from-csv run as the user runs them: goldens, round trips, bad input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/utf8.h"
#include "tool_expect.h"

namespace peltatxt::cli_testing {
namespace {

const std::string kChanged = kGolden + "/sample_changed.json";
const std::string kOddJson = kGolden + "/odd.json";

std::string replaced(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

TEST(ToolDiff, GoldenForPeopleAndForPrograms) {
    ToolRun text = run_tool({"diff", kSample, kChanged});
    EXPECT_EQ(text.status, 1) << text.err;
    EXPECT_EQ(text.err, "");
    // The names as given head the output; the golden holds them relative to the golden directory.
    expect_golden(replaced(replaced(text.out, kSample, "sample.peltatxt"), kChanged, "sample_changed.json"),
                  kGolden + "/sample.diff.txt");
    ToolRun json = run_tool({"diff", "--json", kSample, kChanged});
    EXPECT_EQ(json.status, 1) << json.err;
    expect_golden(json.out, kGolden + "/sample.diff.json");
}

TEST(ToolDiff, EqualCollectionsInAnyMixOfFormats) {
    for (const auto& [a, b] : std::vector<std::pair<std::string, std::string>>{
             {kSample, kSample}, {kSample, kGoldenJson}, {kGoldenJson, kSample}, {kGoldenJson, kGoldenJson}}) {
        ToolRun run = run_tool({"diff", a, b});
        EXPECT_EQ(run.status, 0) << a << " " << b << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run_tool({"diff", "--json", a, b}).out, "[]\n");
    }
    // Swapped, every addition is a removal and the other way round.
    ToolRun back = run_tool({"diff", kChanged, kSample});
    EXPECT_EQ(back.status, 1);
    EXPECT_NE(back.out.find("- locked \"Welcome\""), std::string::npos) << back.out;
    EXPECT_NE(back.out.find("+ locked \"お疲れさまです\""), std::string::npos) << back.out;
    EXPECT_NE(back.out.find("1 added, 1 removed, 3 changed, 1 moved"), std::string::npos) << back.out;
}

TEST(ToolDiff, RepeatedTitlesPairInOrderAndLoneSurrogatesShowExactly) {
    TempDir dir;
    write_bytes(dir / "a.json", R"([{"kind": "locked", "title": "t", "text": "one"},
                                   {"kind": "locked", "title": "t", "text": "two"}])");
    write_bytes(dir / "b.json", R"([{"kind": "locked", "title": "t", "text": "one"},
                                   {"kind": "locked", "title": "t", "text": "tw\uD800"}])");
    ToolRun run = run_tool({"diff", dir / "a.json", dir / "b.json"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("~ locked \"t\"\n    text: \"two\" -> \"tw\\uD800\"\n"), std::string::npos)
        << run.out;
    ToolRun json = run_tool({"diff", "--json", dir / "a.json", dir / "b.json"});
    EXPECT_NE(json.out.find(R"("after": "tw\uD800")"), std::string::npos) << json.out;
}

TEST(ToolDiff, LooseLineBreaksTakeAnLfFromCsvForCrLf) {
    TempDir dir;
    write_bytes(dir / "lf.csv", "folder,kind,letterCode,title,text,macro,comment\n,locked,,t,\"a\nb\",,\n");
    write_bytes(dir / "crlf.json", R"([{"kind": "locked", "title": "t", "text": "a\r\nb"}])");
    write_bytes(dir / "other.json", R"([{"kind": "locked", "title": "t", "text": "a\r\nc"}])");
    ASSERT_EQ(run_tool({"from-csv", "--keep-line-breaks", dir / "lf.csv", dir / "lf"}).status, 0);
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {{"diff", dir / "lf.peltatxt", dir / "crlf.json"}, 1},
        {{"diff", "--loose-line-breaks", dir / "lf.peltatxt", dir / "crlf.json"}, 0},
        {{"diff", "--loose-line-breaks", dir / "lf.peltatxt", dir / "other.json"}, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(run_tool(c.args).status, c.status) << c.args[1];
}

TEST(ToolDiff, BadInputIsStatusTwo) {
    TempDir dir;
    write_bytes(dir / "bad.json", "[{");
    expect_failure(run_tool({"diff", kSample, dir / "bad.json"}), dir / "bad.json", "invalid JSON");
    expect_failure(run_tool({"diff", dir / "none.peltatxt", kSample}), dir / "none.peltatxt", "no such file");
}

TEST(ToolCsv, GoldenOfTheSample) {
    ToolRun run = run_tool({"to-csv", kSample});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("\xEF\xBB\xBF" "folder,kind,letterCode,title,text,macro,comment,escaped,guarded,lineBreaks\r\n", 0), 0u);
    expect_golden(run.out, kGolden + "/sample.csv");
}

TEST(ToolRoundTrip, DataFileThroughCsvAndJsonComesBackByteForByte) {
    TempDir dir;
    // The odd collection: lone surrogates, U+0000, U+FFFF, CR-only and LF-only line breaks.
    ASSERT_EQ(run_tool({"from-json", kOddJson, dir / "odd"}).status, 0);
    EXPECT_EQ(run_tool({"to-json", dir / "odd.peltatxt"}).out, read_bytes(kOddJson)) << "JSON keeps every unit";
    for (const std::string& data : {kSample, (dir / "odd.peltatxt").string()}) {
        SCOPED_TRACE(data);
        ASSERT_EQ(run_tool({"to-csv", data, "-o", dir / "x.csv"}).status, 0);
        ToolRun csv = run_tool({"from-csv", dir / "x.csv", dir / "from-csv"});
        ASSERT_EQ(csv.status, 0) << csv.err;
        EXPECT_EQ(read_bytes(dir / "from-csv.peltatxt"), read_bytes(data));
        ASSERT_EQ(run_tool({"to-json", data, "-o", dir / "x.json"}).status, 0);
        ASSERT_EQ(run_tool({"from-json", dir / "x.json", dir / "from-json"}).status, 0);
        EXPECT_EQ(read_bytes(dir / "from-json.peltatxt"), read_bytes(data));
        ASSERT_EQ(run_tool({"to-json", "--flat", data, "-o", dir / "flat.json"}).status, 0);
        ASSERT_EQ(run_tool({"from-json", dir / "flat.json", dir / "from-flat"}).status, 0);
        EXPECT_EQ(read_bytes(dir / "from-flat.peltatxt"), read_bytes(data));
    }
    std::string csv = read_bytes(dir / "x.csv");
    EXPECT_NE(csv.find(",\"lone high \\uD800\",\"a\\uD800b\",\"\",\"\",yes,,\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",\"back\\\\slash\",\"\\\\uD800 is six characters here\",\"macro \\uD801\",\"\",yes,,\r\n"),
              std::string::npos);
    EXPECT_NE(csv.find(",\"CR only\",\"one\rtwo\rthree\",\"\",\"\",yes,,exact\r\n"), std::string::npos);
}

// A CSV the way spreadsheet programs save one: every cell quoted, line breaks inside cells.
const std::string kSpreadsheetCsv =
    "\xEF\xBB\xBF\"folder\",\"kind\",\"letterCode\",\"title\",\"text\",\"macro\",\"comment\",\"escaped\"\r\n"
    "\"\",\"folder\",\"\",\"挨拶\",\"\",\"\",\"毎日のあいさつ\r\n社内外どちらにも\",\"\"\r\n"
    "\"/挨拶\",\"locked\",\"\",\"おはよう\",\"おはよう\r\nございます\",\"\",\"\",\"\"\r\n"
    "\"/挨拶\",\"folder H\",\"\",\"ビジネス\",\"\",\"\",\"\",\"\"\r\n"
    "\"/挨拶/ビジネス\",\"one-time\",\"D\",\"署名\",\"山田, 太郎 \"\"営業\"\"\",\"\",\"\",\"\"\r\n"
    "\"/挨拶\",\"locked\",\"\",\"お礼\",\"ありがとう\",\"\",\"\",\"\"\r\n"
    "\"\",\"one-time\",\"\",\"メモ\",\"メモ\",\"%DATE%\",\"\",\"\"";
const std::string kSpreadsheetJson = R"([
  {
    "kind": "folder",
    "title": "挨拶",
    "comment": "毎日のあいさつ\r\n社内外どちらにも",
    "children": [
      {
        "kind": "locked",
        "title": "おはよう",
        "text": "おはよう\r\nございます"
      },
      {
        "kind": "folder H",
        "title": "ビジネス",
        "children": [
          {
            "kind": "one-time",
            "letterCode": "D",
            "title": "署名",
            "text": "山田, 太郎 \"営業\""
          }
        ]
      },
      {
        "kind": "locked",
        "title": "お礼",
        "text": "ありがとう"
      }
    ]
  },
  {
    "kind": "one-time",
    "title": "メモ",
    "text": "メモ",
    "macro": "%DATE%"
  }
]
)";

TEST(ToolCsv, WhatSpreadsheetProgramsSaveImports) {
    struct Variant {
        const char* name;
        std::string csv, json;
    };
    std::string lf = replaced(kSpreadsheetCsv, "\r\n", "\n");
    const Variant variants[] = {
        {"as saved", kSpreadsheetCsv, kSpreadsheetJson},
        {"final line break", kSpreadsheetCsv + "\r\n", kSpreadsheetJson},
        {"no byte-order mark", kSpreadsheetCsv.substr(3), kSpreadsheetJson},
        // LF inside a cell of a row that to-csv did not mark "exact" is the host's CR LF.
        {"LF line ends", lf + "\n", kSpreadsheetJson},
        {"CR line ends between rows", replaced(kSpreadsheetCsv, "\"\r\n\"", "\"\r\""), kSpreadsheetJson},
        {"rows of empty cells after the last", kSpreadsheetCsv + "\r\n,,,,,,,\r\n,,,,,,,\r\n", kSpreadsheetJson},
        {"no escaped column", replaced(replaced(kSpreadsheetCsv + "\r\n", ",\"escaped\"", ""), ",\"\"\r\n", "\r\n"),
         kSpreadsheetJson},
    };
    TempDir dir;
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        write_bytes(dir / "saved.csv", v.csv);
        ToolRun run = run_tool({"from-csv", dir / "saved.csv", dir / "saved"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "wrote " + (dir / "saved.peltatxt").string() + " (6 records)\n");
        EXPECT_EQ(run_tool({"to-json", dir / "saved.peltatxt"}).out, v.json);
    }
}

// UTF-16 with its byte-order mark, from UTF-8.
std::string utf16(const std::string& utf8, bool big_endian) {
    std::u16string units;
    append_utf16(units, utf8, LoneSurrogates::Fail);
    std::string out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t u : units) {
        char low = static_cast<char>(u & 0xFF), high = static_cast<char>(u >> 8);
        out += big_endian ? std::string{high, low} : std::string{low, high};
    }
    return out;
}

// One small collection as spreadsheet programs save it, in each of their encodings.
TEST(ToolCsv, EveryEncodingThatSpreadsheetsSaveComesBack) {
    const std::string csv =
        "folder,kind,letterCode,title,text,macro,comment\r\n,folder,,挨拶,,,\r\n/挨拶,locked,,～①,\"a,b\r\nc\",,\r\n";
    // In code page 932 "～" (81 60) is U+FF5E, where Shift_JIS proper has U+301C, and "①" (87 40) exists.
    const std::string cp932 = "folder,kind,letterCode,title,text,macro,comment\r\n,folder,,\x88\xA5\x8E\x41,,,\r\n"
                              "/\x88\xA5\x8E\x41,locked,,\x81\x60\x87\x40,\"a,b\r\nc\",,\r\n";
    const std::string tabs = "folder\tkind\tletterCode\ttitle\ttext\tmacro\tcomment\r\n\tfolder\t\t挨拶\t\t\t\r\n"
                             "/挨拶\tlocked\t\t～①\t\"a,b\r\nc\"\t\t\r\n";
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> options;
        std::string note;  // what from-csv says about the encoding
    };
    const Case cases[] = {
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + csv, {}, ""},
        {"UTF-8 without", csv, {}, ""},
        {"code page 932", cp932, {}, "read as code page 932 (Shift_JIS)"},
        {"code page 932 chosen", cp932, {"--encoding", "cp932"}, "read as code page 932 (Shift_JIS)"},
        {"UTF-16LE with tabs", utf16(tabs, false), {}, "read as UTF-16LE"},
        {"UTF-16BE with commas", utf16(csv, true), {}, "read as UTF-16BE"},
        {"LF inside a cell", replaced(csv, "a,b\r\nc", "a,b\nc"), {}, ""},
        {"rows reversed", "folder,kind,letterCode,title,text,macro,comment\r\n/挨拶,locked,,～①,\"a,b\r\nc\",,\r\n"
                          ",folder,,挨拶,,,\r\n", {}, ""},
    };
    TempDir dir;
    write_bytes(dir / "want.json",
                R"([{"kind": "folder", "title": "挨拶", "children": [{"kind": "locked", "title": "～①", "text": "a,b\r\nc"}]}])");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write_bytes(dir / "in.csv", c.bytes);
        std::vector<std::string> args = {"from-csv", dir / "in.csv", dir / "out"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        ToolRun run = run_tool(args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, c.note.empty() ? "" : "peltatxt: " + (dir / "in.csv").string() + ": " + c.note + "\n");
        ToolRun diff = run_tool({"diff", dir / "out.peltatxt", dir / "want.json"});
        EXPECT_EQ(diff.status, 0) << diff.out;
    }
}

// Texts that a spreadsheet would evaluate, and texts that really begin with the guard apostrophe.
TEST(ToolCsv, GuardedCellsComeBackExactly) {
    TempDir dir;
    write_bytes(dir / "in.json", R"j([
        {"kind": "locked", "title": "=t", "text": "'=b", "macro": "@SUM(A1)"},
        {"kind": "locked", "title": "-2+3", "text": "=HYPERLINK(\"http://x\",\"x\")"},
        {"kind": "locked", "title": "'", "text": "\tTab"},
        {"kind": "locked", "title": "cr", "text": "\rCR"},
        {"kind": "folder", "title": "+1", "comment": "-c", "children": [
            {"kind": "locked", "title": "'=1+1", "text": "=1+1"}]}])j");
    ASSERT_EQ(run_tool({"from-json", dir / "in.json", dir / "in"}).status, 0);
    ASSERT_EQ(run_tool({"to-csv", dir / "in.peltatxt", "-o", dir / "x.csv"}).status, 0);
    std::string csv = read_bytes(dir / "x.csv");
    EXPECT_NE(csv.find("\"\",locked,,\"'=t\",\"'=b\",\"'@SUM(A1)\",\"\",,title macro,\r\n"), std::string::npos) << csv;
    ASSERT_EQ(run_tool({"from-csv", dir / "x.csv", dir / "back"}).status, 0);
    EXPECT_EQ(read_bytes(dir / "back.peltatxt"), read_bytes(dir / "in.peltatxt"));
    // A spreadsheet that took the apostrophe for its own text mark saves the cell without it.
    write_bytes(dir / "saved.csv", replaced(csv, "\"'=t\"", "\"=t\""));
    ASSERT_EQ(run_tool({"from-csv", dir / "saved.csv", dir / "saved"}).status, 0);
    EXPECT_EQ(run_tool({"diff", dir / "saved.peltatxt", dir / "in.peltatxt"}).status, 0);
}

TEST(ToolCsv, BadCsvNamesRowAndColumn) {
    const std::string header = "folder,kind,letterCode,title,text,macro,comment,escaped\r\n";
    struct Case {
        std::string csv, message;
    };
    const Case cases[] = {
        {header + ",locked,,a,\"open text\r\n,locked,,b,b,,,\r\n", "row 2, column 5: the quoted cell is not closed"},
        {header + ",locked,,a,a,,\r\n", "row 2, column 8: 7 columns where the header has 8"},
        {header + ",locked,,a,a,,,,\r\n", "row 2, column 9: 9 columns where the header has 8"},
        {header + ",locked,,a,a,,,\r\n,note,,b,b,,,\r\n", "row 3, column 2 (kind): unknown kind \"note\""},
        {header + ",lockd,,a,a,,,\r\n",
         "unknown kind \"lockd\" (one-time, locked, folder, folder H, folder O, folder H O or a number from 0 to 255)"},
        {header + ",locked,Q,a,a,,,\r\n", "row 2, column 3 (letterCode): unknown letter code \"Q\""},
        {header + ",locked,,\"a\"b,a,,,\r\n", "row 2, column 4: text after the closing quote of the cell"},
        {header + "Nowhere,locked,,a,a,,,\r\n", "row 2, column 1 (folder): a folder path begins with \"/\""},
        {header + ",locked,,a,a,,c,\r\n", "row 2, column 7 (comment): only a folder has a comment"},
        {header + ",folder,,a,a,,,\r\n", "row 2, column 5 (text): a folder has no text"},
        {header + ",locked,,a\xC3,a,,,\r\n", "row 2, column 4 (title): not UTF-8 text (at byte 2 of the cell)"},
        {header + ",locked,,a\\q,a,,,yes\r\n", "row 2, column 4 (title): in an escaped row a backslash starts"},
        {header + ",locked,,a,a,,,maybe\r\n", "row 2, column 8 (escaped): must be empty or \"yes\", not \"maybe\""},
        {"folder,kind,title\r\n", "row 1: the header must be folder,kind,letterCode,title,text,macro,comment"},
        {"", "row 1: the header row is missing"},
        {"folder,kind,letterCode,title,text,macro,comment,guarded,guarded\r\n", "row 1: the header must be"},
        {header.substr(0, header.size() - 2) + ",guarded\r\n,locked,,a,a,,,,kind\r\n",
         "row 2, column 9 (guarded): names the text columns that begin with a guard apostrophe"},
        {"folder,kind,letterCode,title,text,macro,comment,lineBreaks\r\n,locked,,a,a,,,yes\r\n",
         "row 2, column 8 (lineBreaks): must be empty or \"exact\", not \"yes\""},
        {"\xFF\xFE" "f", "UTF-16 text cannot have an odd number of bytes (1 after the byte-order mark)"},
        {header + ",locked,,\x81,a,,,\r\n", "not UTF-8 text (at byte 1 of the cell); --encoding chooses another"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.csv);
        write_bytes(dir / "bad.csv", c.csv);
        expect_failure(run_tool({"from-csv", dir / "bad.csv", dir / "out"}), dir / "bad.csv", c.message);
        EXPECT_FALSE(std::filesystem::exists(dir / "out.peltatxt"));
    }
}

}  // namespace
}  // namespace peltatxt::cli_testing
