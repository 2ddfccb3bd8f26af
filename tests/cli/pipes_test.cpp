// pipes_test.cpp — "-" for standard input and output, tested through real pipes between processes.
#include <gtest/gtest.h>

#include <string>

#include "tool_expect.h"

namespace peltatxt::cli_testing {
namespace {

std::string q(const std::string& s) { return shell_quoted(s); }

TEST(ToolPipes, EveryInputReadsStandardInput) {
    TempDir dir;
    std::string json = read_bytes(kGoldenJson);
    ToolRun show = run_shell("cat " + q(kSample) + " | \"$PELTATXT\" show -");
    EXPECT_EQ(show.status, 0) << show.err;
    EXPECT_EQ(show.out, read_bytes(kGoldenShow));

    ToolRun to_json = run_shell("cat " + q(kSample) + " | \"$PELTATXT\" to-json -");
    EXPECT_EQ(to_json.out, json) << to_json.err;

    ToolRun from_json = run_shell("cat " + q(kGoldenJson) + " | \"$PELTATXT\" from-json - " + q(dir / "copy"));
    EXPECT_EQ(from_json.status, 0) << from_json.err;
    EXPECT_EQ(read_bytes(dir / "copy.peltatxt"), read_bytes(kSample));

    // check and diff tell JSON from a data file by what standard input holds.
    ToolRun check_data = run_shell("cat " + q(kSample) + " | \"$PELTATXT\" check -");
    EXPECT_EQ(check_data.out, "standard input: all 23 records came back identical\n") << check_data.err;
    ToolRun check_json = run_shell("cat " + q(kGoldenJson) + " | \"$PELTATXT\" check -");
    EXPECT_EQ(check_json.out, "standard input: all 23 records came back identical\n") << check_json.err;
    ToolRun diff = run_shell("cat " + q(kGoldenJson) + " | \"$PELTATXT\" diff " + q(kSample) + " -");
    EXPECT_EQ(diff.status, 0) << diff.out << diff.err;
    EXPECT_EQ(diff.out, "");
}

TEST(ToolPipes, OutputsGoToStandardOutput) {
    TempDir dir;
    // A whole conversion chain, data file to data file, without a file between.
    ToolRun chain = run_shell("\"$PELTATXT\" to-json " + q(kSample) + " -o - | \"$PELTATXT\" from-json - - | " +
                              "\"$PELTATXT\" to-csv - -o - | \"$PELTATXT\" from-csv - - > " + q(dir / "back.peltatxt"));
    EXPECT_EQ(chain.status, 0) << chain.err;
    EXPECT_EQ(chain.err, "");
    EXPECT_EQ(read_bytes(dir / "back.peltatxt"), read_bytes(kSample));
    EXPECT_FALSE(std::filesystem::exists("-")) << "no file named -";
    EXPECT_FALSE(std::filesystem::exists("-.peltatxt"));
}

TEST(ToolPipes, ShowIntoAPipeCutsNoLine) {
    ToolRun cut = run_shell("COLUMNS=20 \"$PELTATXT\" show " + q(kSample) + " | cat");
    EXPECT_EQ(cut.out, read_bytes(kGoldenShow));
    ToolRun asked = run_shell("\"$PELTATXT\" show -w 20 " + q(kSample) + " | cat");
    EXPECT_NE(asked.out, read_bytes(kGoldenShow));
    EXPECT_NE(asked.out.find("..."), std::string::npos);
}

TEST(ToolPipes, AStandardInputLargerThanAPipeIsReadToItsEnd) {
    // About 2 MB of JSON, far beyond a pipe's buffer: every record arrives.
    TempDir dir;
    std::string json = "[";
    for (int i = 0; i < 20000; ++i)
        json += std::string(i ? "," : "") + "{\"kind\": \"locked\", \"title\": \"entry " + std::to_string(i) +
                "\", \"text\": \"" + std::string(80, 'x') + "\"}";
    write_bytes(dir / "big.json", json + "]");
    ToolRun run = run_shell("cat " + q(dir / "big.json") + " | \"$PELTATXT\" from-json - " + q(dir / "big"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "wrote " + (dir / "big.peltatxt").string() + " (20000 records)\n");
}

TEST(ToolPipes, FailuresNameStandardInput) {
    ToolRun empty_json = run_shell("printf '[{\"kind\": 1}' | \"$PELTATXT\" from-json - out");
    expect_failure(empty_json, "standard input", "invalid JSON at line 1");
    ToolRun text = run_shell("printf 'plain text' | \"$PELTATXT\" check -");
    expect_failure(text, "standard input", "does not look like UTF-16");
    EXPECT_EQ(text.err.find("standard-input"), std::string::npos) << "the spooled file is not named: " << text.err;
    expect_failure(run_shell("\"$PELTATXT\" diff - - < " + q(kSample)), "standard input",
                   "cannot be both collections");
    ToolRun full = run_shell("\"$PELTATXT\" to-json " + q(kSample) + " -o - > /dev/full");
    EXPECT_EQ(full.status, 2);
    EXPECT_EQ(full.err, "peltatxt: standard output: cannot write\n");
}

}  // namespace
}  // namespace peltatxt::cli_testing
