// tool_expect.h — the expectations the CLI tests share: golden outputs and one-line failures.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "tool_runner.h"

namespace peltatxt::cli_testing {

const std::string kSample = PELTATXT_SAMPLE;
const std::string kGolden = PELTATXT_GOLDEN;
const std::string kGoldenJson = kGolden + "/sample.json";
const std::string kGoldenShow = kGolden + "/sample.show.txt";

// Compares output with a golden file; with PELTATXT_UPDATE_GOLDEN set, rewrites the file and skips.
inline void expect_golden(const std::string& output, const std::string& golden) {
    if (std::getenv("PELTATXT_UPDATE_GOLDEN")) {
        write_bytes(golden, output);
        GTEST_SKIP() << "rewrote " << golden;
    }
    EXPECT_EQ(output, read_bytes(golden)) << "differs from " << golden;
}

inline std::size_t lines_in(const std::string& s) {
    return static_cast<std::size_t>(std::count(s.begin(), s.end(), '\n'));
}

// A failure: status 2, nothing on stdout, one line on stderr that names the file and says what is wrong.
inline void expect_failure(const ToolRun& run, const std::string& file, const std::string& what) {
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(lines_in(run.err), 1u) << run.err;
    EXPECT_EQ(run.err.rfind("peltatxt: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(file), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(what), std::string::npos) << run.err;
}

}  // namespace peltatxt::cli_testing
