// tool_runner.h — runs the built peltatxt tool as a subprocess and captures its output, for the CLI tests.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace peltatxt::cli_testing {

struct ToolRun {
    int status = -1;  // exit status; 128 + signal number when the tool was killed by a signal
    std::string out, err;
};

// A fresh directory under the system's temporary directory, removed when the object goes.
class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Runs the tool with args and the given environment variables set; standard output goes to
// stdout_path when one is given (and is then not captured).
ToolRun run_tool(const std::vector<std::string>& args, const std::vector<std::pair<std::string, std::string>>& env = {},
                 const std::string& stdout_path = "");

// Runs a POSIX shell script in which "$PELTATXT" is the tool, so that its standard input and
// output can be real pipes (cat x | "$PELTATXT" show - | cat); captures the script's output.
ToolRun run_shell(const std::string& script, const std::vector<std::pair<std::string, std::string>>& env = {});

// A word quoted for the shell.
std::string shell_quoted(const std::string& s);

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);

}  // namespace peltatxt::cli_testing
