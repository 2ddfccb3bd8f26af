// run_test.cpp — the built peltatxt tool run as a subprocess: golden outputs, round trips, failures and warnings.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "tool_expect.h"

namespace peltatxt::cli_testing {
namespace {

TEST(ToolGolden, ShowOfTheSample) {
    ToolRun run = run_tool({"show", kSample}, {{"COLUMNS", "80"}});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    expect_golden(run.out, kGoldenShow);
}

TEST(ToolGolden, ToJsonOfTheSample) {
    ToolRun run = run_tool({"to-json", kSample});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    expect_golden(run.out, kGoldenJson);
}

TEST(ToolGolden, ShowCutsLinesToTheWidth) {
    for (const char* width : {"30", "44"}) {
        ToolRun run = run_tool({"show", "-w", width, kSample});
        ASSERT_EQ(run.status, 0) << run.err;
        // Cut lines end in "...", and the lines that needed no cut are those of the golden outline.
        std::string golden = read_bytes(kGoldenShow);
        std::size_t cut = 0, at = 0;
        for (std::size_t end; (end = run.out.find('\n', at)) != std::string::npos; at = end + 1) {
            std::string line = run.out.substr(at, end - at);
            if (line.size() >= 3 && line.compare(line.size() - 3, 3, "...") == 0)
                ++cut;
            else
                EXPECT_NE(golden.find(line + "\n"), std::string::npos) << line;
        }
        EXPECT_GT(cut, 5u) << width;
        EXPECT_EQ(lines_in(run.out), lines_in(golden));
    }
    ToolRun wide = run_tool({"show", "--width", "0", kSample});
    EXPECT_EQ(wide.out.find("..."), std::string::npos) << "--width 0 cuts nothing";
    // Into a file or a pipe nothing is cut, whatever COLUMNS says: only a terminal has a width.
    EXPECT_EQ(run_tool({"show", kSample}, {{"COLUMNS", "20"}}).out, read_bytes(kGoldenShow));
}

TEST(ToolRoundTrip, TheSampleIsWhatTheWriterWritesFromTheGoldenJson) {
    TempDir dir;
    ToolRun run = run_tool({"from-json", kGoldenJson, dir / "sample"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "wrote " + (dir / "sample.peltatxt").string() + " (23 records)\n");
    EXPECT_EQ(read_bytes(dir / "sample.peltatxt"), read_bytes(kSample))
        << "examples/sample.peltatxt is stale: rewrite it with from-json " << kGoldenJson;
}

TEST(ToolRoundTrip, JsonToFileToJsonIsIdentical) {
    TempDir dir;
    ASSERT_EQ(run_tool({"from-json", kGoldenJson, dir / "copy.txt"}).status, 0);
    ToolRun back = run_tool({"to-json", dir / "copy.peltatxt", "-o", dir / "copy.json"});
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(back.out, "");
    EXPECT_EQ(read_bytes(dir / "copy.json"), read_bytes(kGoldenJson));
}

TEST(ToolRoundTrip, TheFlatShapeReadsBackToTheSameTree) {
    TempDir dir;
    ToolRun flat = run_tool({"to-json", "--flat", kSample, "-o", dir / "flat.json"});
    ASSERT_EQ(flat.status, 0) << flat.err;
    std::string json = read_bytes(dir / "flat.json");
    EXPECT_NE(json.find("\"parentId\": -1"), std::string::npos);
    EXPECT_NE(json.find("\"auxA\": 0"), std::string::npos);
    EXPECT_EQ(json.find("\"children\""), std::string::npos);
    ASSERT_EQ(run_tool({"from-json", dir / "flat.json", dir / "again"}).status, 0);
    ToolRun tree = run_tool({"to-json", dir / "again.peltatxt"});
    EXPECT_EQ(tree.out, read_bytes(kGoldenJson));
}

TEST(ToolCheck, TheSampleComesBackWhole) {
    ToolRun run = run_tool({"check", kSample});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out, kSample + ": all 23 records came back identical\n");
    EXPECT_EQ(run.err, "");
}

TEST(ToolCheck, NamesARecordWhoseTitleHoldsALineBreak) {
    TempDir dir;
    write_bytes(dir / "list.json", R"([
      {"kind": "folder", "title": "Notes", "children": [
        {"kind": "locked", "title": "first\r\nsecond", "text": "body"},
        {"kind": "locked", "title": "fine", "text": "fine"}
      ]}])");
    ToolRun run = run_tool({"check", dir / "list.json"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, (dir / "list.json").string() + ": 1 of 3 records did not come back identical:\n" +
                           R"(  record 2 "first\r\nsecond" in "Notes": title: a title cannot hold a line break; )" +
                           R"(came back as "firstsecond")" + "\n");
    EXPECT_EQ(run.err, "");
}

TEST(ToolCheck, NamesARecordThatDidNotComeBackAndPairsTheRest) {
    TempDir dir;
    write_bytes(dir / "list.json", R"([
      {"kind": "locked", "title": "a", "text": "a"},
      {"kind": "locked", "title": "", "text": ""},
      {"kind": "one-time", "title": "b", "text": "b"},
      {"kind": "folder", "letterCode": "D", "title": "f", "children": []}])");
    ToolRun run = run_tool({"check", dir / "list.json"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.out.find("2 of 4 records"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(R"(record 2 "": did not come back: an entry without title, text or macro)"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find(R"(record 4 "f": letterCode: folders carry no letter code; came back as none)"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(lines_in(run.out), 3u) << "no other record is reported:\n" << run.out;
}

TEST(ToolFailures, MissingOrUnreadableInputs) {
    TempDir dir;
    std::string missing = dir / "missing.peltatxt";
    for (const char* command : {"show", "to-json", "check"}) {
        SCOPED_TRACE(command);
        expect_failure(run_tool({command, missing}), missing, "no such file");
        expect_failure(run_tool({command, dir.path().string()}), dir.path().string(), "is a directory");
    }
    expect_failure(run_tool({"from-json", dir / "missing.json", dir / "out"}), dir / "missing.json", "no such file");
    expect_failure(run_tool({"check", dir / "missing.json"}), dir / "missing.json", "no such file");
}

TEST(ToolFailures, AFileWithoutReadPermission) {
    TempDir dir;
    write_bytes(dir / "locked.peltatxt", "\xFF\xFE");
    std::filesystem::permissions(dir / "locked.peltatxt", std::filesystem::perms::none);
    // Root reads every file: as root, the tool runs as the unprivileged user nobody.
    std::string as_user = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    for (const char* command : {"show", "to-json", "check", "to-csv"}) {
        SCOPED_TRACE(command);
        ToolRun run = run_shell(as_user + "\"$PELTATXT\" " + command + " " + shell_quoted(dir / "locked.peltatxt"));
        expect_failure(run, dir / "locked.peltatxt", "cannot open: permission denied");
    }
    ToolRun diff = run_shell(as_user + "\"$PELTATXT\" diff " + shell_quoted(kSample) + " " +
                             shell_quoted(dir / "locked.peltatxt"));
    expect_failure(diff, dir / "locked.peltatxt", "cannot open: permission denied");
}

TEST(ToolFailures, PluginsThatCannotBeUsed) {
    TempDir dir;
    expect_failure(run_tool({"info", "--plugin", dir / "none.so"}), dir / "none.so", "cannot load the plug-in");
    expect_failure(run_tool({"--plugin", kSample, "show", kSample}), kSample, "cannot load the plug-in");
    expect_failure(run_tool({"to-json", kSample, "--plugin", PELTATXT_PARTIAL_PLUGIN}), PELTATXT_PARTIAL_PLUGIN,
                   "has no export named writeDataFile");
}

TEST(ToolFailures, InvalidJsonGivesLineAndColumn) {
    TempDir dir;
    write_bytes(dir / "bad.json", "[\n  {\"kind\": \"locked\",\n   \"title\": oops}\n]\n");
    expect_failure(run_tool({"from-json", dir / "bad.json", dir / "out"}), dir / "bad.json",
                   "invalid JSON at line 3, column 13: syntax error while parsing value");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.peltatxt"));
    // A number too large for any number type is refused by the parser too, with the same line.
    write_bytes(dir / "huge.json", "[{\"kind\": \"locked\", \"title\": \"x\", \"id\": 1e999}]\n");
    expect_failure(run_tool({"from-json", dir / "huge.json", dir / "out"}), dir / "huge.json",
                   "invalid JSON: number overflow parsing '1e999'");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.peltatxt"));
}

TEST(ToolFailures, JsonOfTheWrongShapeNamesRecordAndField) {
    struct Case {
        const char* json;
        const char* message;
    };
    const Case cases[] = {
        {R"({"kind": "locked"})", "expected an array of records at the top level, found an object"},
        {R"([{"kind": "folder", "title": "F", "children": [{"kind": "locked", "title": "x", "letterCode": "Q"}]}])",
         R"(record at /0/children/0 ("x"): "letterCode" must be one of "D")"},
        {R"([{"kind": "locked", "title": "x", "children": []}])",
         R"(record at /0 ("x"): only a folder can have "children")"},
        {R"([{"kind": "locked", "title": 5}])", R"(record at /0: "title" must be a string, not number)"},
        {R"([{"title": "t"}])", R"(record at /0 ("t"): "kind" is missing)"},
        {R"([{"id": 1, "parentId": -1, "kind": "folder", "title": "F"},
             {"id": 2, "parentId": 7, "kind": "locked", "title": "x"}])",
         R"(record at /1 ("x"): "parentId" 7 names no earlier folder)"},
        {R"([{"id": 1, "parentId": -1, "kind": "locked", "title": "e"},
             {"id": 2, "parentId": 1, "kind": "locked", "title": "x"}])",
         R"(record at /1 ("x"): "parentId" 1 names no earlier folder)"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        write_bytes(dir / "in.json", c.json);
        expect_failure(run_tool({"from-json", dir / "in.json", dir / "out"}), dir / "in.json", c.message);
    }
}

TEST(ToolFailures, OutputsThatCannotBeWritten) {
    TempDir dir;
    expect_failure(run_tool({"to-json", kSample, "-o", dir / "no/such/dir/out.json"}), dir / "no/such/dir/out.json",
                   "cannot write");
    expect_failure(run_tool({"from-json", kGoldenJson, dir / "no/such/dir/out"}), dir / "no/such/dir/out.peltatxt",
                   "cannot write: no such directory");
    ToolRun full = run_tool({"show", kSample}, {}, "/dev/full");
    EXPECT_EQ(full.status, 2);
    EXPECT_EQ(full.err, "peltatxt: standard output: cannot write\n");
}

TEST(ToolFailures, HelpAndVersionReportAFailedWrite) {
    for (std::vector<std::string> args : {std::vector<std::string>{"--help"}, {"--version"}, {"show", "-h"}}) {
        ToolRun full = run_tool(args, {}, "/dev/full");
        EXPECT_EQ(full.status, 2) << args[0];
        EXPECT_EQ(full.err, "peltatxt: standard output: cannot write\n") << args[0];
    }
}

TEST(ToolFailures, AFileSizeLimitIsAFailedWriteNotASignal) {
    TempDir dir;
    // 1024 bytes (two blocks of 512) where the JSON of the sample takes more than 3,000.
    ToolRun run = run_shell("ulimit -f 2 && \"$PELTATXT\" to-json " + shell_quoted(kSample) + " -o " +
                            shell_quoted(dir / "out.json"));
    expect_failure(run, dir / "out.json", "cannot write: file too large");
}

TEST(ToolFailures, CommandLineMistakes) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{}, "peltatxt: a subcommand is required (see peltatxt --help)\n"},
        {{"bogus"}, "peltatxt: unknown subcommand 'bogus' (see peltatxt --help)\n"},
        {{"--plugin", "x.so", "bogus", "file"}, "peltatxt: unknown subcommand 'bogus' (see peltatxt --help)\n"},
        {{"--frob", "show"}, "peltatxt: unknown option '--frob' (see peltatxt --help)\n"},
        {{"show", kSample, "--no-such-option"},
         "peltatxt: show: unknown option '--no-such-option' (see peltatxt show --help)\n"},
        {{"show", kSample, "extra"}, "peltatxt: show: unexpected argument 'extra' (see peltatxt show --help)\n"},
        {{"show", "-w", "-3", kSample},
         "peltatxt: show: --width takes a positive number of columns (or 0 for no limit), not '-3' (see "
         "peltatxt show --help)\n"},
        {{"show", "--width=wide", kSample},
         "peltatxt: show: --width takes a positive number of columns (or 0 for no limit), not 'wide' (see "
         "peltatxt show --help)\n"},
    };
    for (const Case& c : cases) {
        ToolRun run = run_tool(c.args);
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.message);
    }
    ToolRun missing = run_tool({"show"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(lines_in(missing.err), 1u) << missing.err;
    EXPECT_NE(missing.err.find("FILE is required"), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find("(see peltatxt show --help)"), std::string::npos) << missing.err;
}

TEST(ToolFailures, AMissingTemporaryDirectoryIsNamedWithItsVariable) {
    TempDir dir;
    std::string gone = dir / "no-such-dir";
    expect_failure(run_tool({"check", kSample}, {{"TMPDIR", gone}}), gone + " (from TMPDIR)",
                   "no such directory for temporary files");
    ToolRun piped = run_shell("\"$PELTATXT\" show - < " + shell_quoted(kSample), {{"TMPDIR", gone}});
    expect_failure(piped, gone + " (from TMPDIR)", "no such directory for temporary files");
    // Before standard input is read: endless input does not keep it waiting.
    ToolRun endless = run_shell("yes | timeout 20 \"$PELTATXT\" to-json -", {{"TMPDIR", gone}});
    expect_failure(endless, gone + " (from TMPDIR)", "no such directory for temporary files");
}

TEST(ToolWarnings, EightBitTextIsReadButFlagged) {
    TempDir dir;
    write_bytes(dir / "notes.txt", "_|PELTATXT-FLD|Notes|_\r\nhello\r\n");
    for (std::vector<std::string> args : {std::vector<std::string>{"show"}, {"to-json"}, {"check", "--force"}}) {
        SCOPED_TRACE(args[0]);
        args.push_back(dir / "notes.txt");
        ToolRun run = run_tool(args);
        EXPECT_NE(run.status, 2) << run.err;
        EXPECT_NE(run.out, "");
        EXPECT_EQ(lines_in(run.err), 1u) << run.err;
        const std::string warning = "peltatxt: warning: " + (dir / "notes.txt").string() + ": does not look like UTF-16";
        EXPECT_EQ(run.err.rfind(warning, 0), 0u) << run.err;
    }
    write_bytes(dir / "bom.txt", "\xEF\xBB\xBFhello\r\n");
    EXPECT_NE(run_tool({"show", dir / "bom.txt"}).err.find("is UTF-8 text"), std::string::npos);
}

TEST(ToolFailures, CheckAndDiffRefuseEightBitTextWithoutForce) {
    TempDir dir;
    write_bytes(dir / "notes.txt", "_|PELTATXT-FLD|Notes|_\r\nhello\r\n");
    expect_failure(run_tool({"check", dir / "notes.txt"}), dir / "notes.txt",
                   "does not look like UTF-16 (no byte-order mark");
    EXPECT_NE(run_tool({"check", dir / "notes.txt"}).err.find("--force"), std::string::npos);
    expect_failure(run_tool({"diff", kSample, dir / "notes.txt"}), dir / "notes.txt", "does not look like UTF-16");
    write_bytes(dir / "bom.txt", "\xEF\xBB\xBFhello\r\n");
    expect_failure(run_tool({"check", dir / "bom.txt"}), dir / "bom.txt", "is UTF-8 text");
    EXPECT_EQ(run_tool({"diff", "--force", dir / "notes.txt", dir / "notes.txt"}).status, 0);
}

TEST(ToolInfo, IdentityHelpAndVersion) {
    ToolRun info = run_tool({"info"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.out, "format name   Unicodeテキスト\nfile pattern  *\nisUnicode     yes\nlibrary       " +
                            std::filesystem::path(PELTATXT_PLUGIN).lexically_normal().string() + "\n");

    ToolRun help = run_tool({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* word :
         {"info", "show", "to-json", "from-json", "check", "diff", "to-csv", "from-csv", "--plugin", "--version"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    for (const char* command : {"info", "show", "to-json", "from-json", "check", "diff", "to-csv", "from-csv"}) {
        ToolRun sub = run_tool({command, "-h"});
        EXPECT_EQ(sub.status, 0) << command;
        EXPECT_NE(sub.out.find(command), std::string::npos) << sub.out;
    }
    EXPECT_NE(run_tool({"to-json", "--help"}).out.find("--flat"), std::string::npos);
    ToolRun version = run_tool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "peltatxt " PELTATXT_VERSION "\n");
}

}  // namespace
}  // namespace peltatxt::cli_testing
