// tool_runner.cpp — a POSIX shell command line per run, with stdout and stderr captured in files.
#include "tool_runner.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace peltatxt::cli_testing {
std::string shell_quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

Scratch::Scratch() {
    std::random_device random;
    for (;;) {
        path_ = std::filesystem::temp_directory_path() / ("peltatxt-cli-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(path_)) return;
    }
}

Scratch::~Scratch() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

ToolRun run_tool(const std::vector<std::string>& args, const std::vector<std::pair<std::string, std::string>>& env,
                 const std::string& stdout_path) {
    Scratch capture;
    std::string out = stdout_path.empty() ? capture / "out" : stdout_path;
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
    if (stdout_path.empty()) run.out = read_file(out);
    run.err = read_file(capture / "err");
    return run;
}

ToolRun run_shell(const std::string& script, const std::vector<std::pair<std::string, std::string>>& env) {
    Scratch capture;
    write_file(capture / "script.sh", script);
    std::string command = "PELTATXT=" + shell_quoted(PELTATXT_TOOL) + " ";
    for (const auto& [name, value] : env) command += name + "=" + shell_quoted(value) + " ";
    command += "/bin/sh " + shell_quoted(capture / "script.sh") + " >" + shell_quoted(capture / "out") + " 2>" +
               shell_quoted(capture / "err") + " </dev/null";
    int raw = std::system(command.c_str());
    ToolRun run;
    if (raw == -1) throw std::runtime_error("cannot run " + command);
    if (WIFEXITED(raw)) run.status = WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) run.status = 128 + WTERMSIG(raw);
    run.out = read_file(capture / "out");
    run.err = read_file(capture / "err");
    return run;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace peltatxt::cli_testing
