// tool_runner.cpp — a POSIX shell command line per run, with stdout and stderr captured in files.
#include "tool_runner.h"

#include <sys/wait.h>

#include <cstdlib>
#include <stdexcept>

namespace peltatxt::cli_testing {
std::string shell_quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

ToolRun run_tool(const std::vector<std::string>& args, const std::vector<std::pair<std::string, std::string>>& env,
                 const std::string& stdout_path) {
    TempDir capture;
    std::string out = stdout_path.empty() ? (capture / "out").string() : stdout_path;
    std::string command;
    for (const auto& [name, value] : env) command += name + "=" + shell_quoted(value) + " ";
    command += shell_quoted(PELTATXT_TOOL);
    for (const std::string& a : args) {
        command += ' ';
        command += shell_quoted(a);
    }
    command += " >" + shell_quoted(out) + " 2>" + shell_quoted(capture / "err");
    int raw = std::system(command.c_str());
    ToolRun run;
    if (raw == -1) throw std::runtime_error("cannot run " + command);
    if (WIFEXITED(raw)) run.status = WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) run.status = 128 + WTERMSIG(raw);
    if (stdout_path.empty()) run.out = read_bytes(out);
    run.err = read_bytes(capture / "err");
    return run;
}

ToolRun run_shell(const std::string& script, const std::vector<std::pair<std::string, std::string>>& env) {
    TempDir capture;
    write_bytes(capture / "script.sh", script);
    std::string command = "PELTATXT=" + shell_quoted(PELTATXT_TOOL) + " ";
    for (const auto& [name, value] : env) command += name + "=" + shell_quoted(value) + " ";
    command += "/bin/sh " + shell_quoted(capture / "script.sh") + " >" + shell_quoted(capture / "out") + " 2>" +
               shell_quoted(capture / "err") + " </dev/null";
    int raw = std::system(command.c_str());
    ToolRun run;
    if (raw == -1) throw std::runtime_error("cannot run " + command);
    if (WIFEXITED(raw)) run.status = WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) run.status = 128 + WTERMSIG(raw);
    run.out = read_bytes(capture / "out");
    run.err = read_bytes(capture / "err");
    return run;
}

}  // namespace peltatxt::cli_testing
