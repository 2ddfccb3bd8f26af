// spreadsheet_test.cpp — to-csv's output opened and saved by LibreOffice Calc, then read back by from-csv.
#include <gtest/gtest.h>

#include <string>

#include "tool_expect.h"

namespace peltatxt::cli_testing {
namespace {

const std::string kSoffice = PELTATXT_SOFFICE;

// Texts a spreadsheet would evaluate unguarded, a line break and a number-like text, in one file
// that LibreOffice opens with its CSV import pinned to UTF-8, comma and double quote (one start
// of LibreOffice for the whole test: it takes seconds).
TEST(Spreadsheet, LibreOfficeEvaluatesNoGuardedCellAndSavesTheCollectionBack) {
    if (kSoffice.ends_with("NOTFOUND")) GTEST_SKIP() << "soffice was not found when the build was configured";
    TempDir dir;
    write_bytes(dir / "in.json", R"j([
        {"kind": "locked", "title": "=1+1", "text": "=1+1"},
        {"kind": "locked", "title": "-2+3", "text": "-2+3"},
        {"kind": "one-time", "title": "@SUM(A1)", "text": "@SUM(A1)"},
        {"kind": "locked", "title": "link", "text": "=HYPERLINK(\"http://example.com/\",\"x\")"},
        {"kind": "folder", "title": "+81", "comment": "two\r\nlines", "children": [
            {"kind": "locked", "title": "lines", "text": "one\r\ntwo"}]}])j");
    ASSERT_EQ(run_tool({"from-json", dir / "in.json", dir / "in"}).status, 0);
    const std::string options = "44,34,76";  // comma, double quote, UTF-8
    ToolRun run = run_shell("set -e; cd " + shell_quoted(dir.path().string()) + "; \"$PELTATXT\" to-csv in.peltatxt -o x.csv; " +
                            shell_quoted(kSoffice) + " -env:UserInstallation=file://" + dir.path().string() + "/profile" +
                            " --headless --infilter=CSV:" + options + " --convert-to 'csv:Text - txt - csv (StarCalc):" +
                            options + "' --outdir saved x.csv >/dev/null 2>&1; \"$PELTATXT\" from-csv saved/x.csv back");
    ASSERT_EQ(run.status, 0) << run.err;
    std::string saved = read_bytes(dir / "saved/x.csv");
    // Evaluated, these would be 2, 1, a number and "x"; each stays text behind its visible apostrophe.
    for (const char* cell : {"'=1+1", "'-2+3", "'@SUM(A1)", "'=HYPERLINK(", "'+81"})
        EXPECT_NE(saved.find(cell), std::string::npos) << cell << " in\n" << saved;
    ToolRun diff = run_tool({"diff", dir / "back.peltatxt", dir / "in.peltatxt"});
    EXPECT_EQ(diff.status, 0) << diff.out;
}

}  // namespace
}  // namespace peltatxt::cli_testing
