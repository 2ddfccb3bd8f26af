// tool_runner.h — runs the built peltatxt tool as a subprocess and captures its output, for the CLI tests.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/child_process.h"
#include "support/files.h"
#include "support/temp_dir.h"

namespace peltatxt::cli_testing {

using testing::read_bytes;
using testing::TempDir;
using testing::write_bytes;

// How a run of the tool ended and what it wrote (status: 128 + signal number when killed by one).
using ToolRun = testing::ProcessRun;

// Runs the tool with args and the given environment variables set; standard output goes to
// stdout_path when one is given (and is then not captured).
ToolRun run_tool(const std::vector<std::string>& args, const std::vector<std::pair<std::string, std::string>>& env = {},
                 const std::string& stdout_path = "");

// Runs a POSIX shell script in which "$PELTATXT" is the tool, so that its standard input and
// output can be real pipes (cat x | "$PELTATXT" show - | cat); captures the script's output.
ToolRun run_shell(const std::string& script, const std::vector<std::pair<std::string, std::string>>& env = {});

// A word quoted for the shell.
std::string shell_quoted(const std::string& s);

}  // namespace peltatxt::cli_testing
