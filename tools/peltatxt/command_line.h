// command_line.h — the command line around the commands: arguments as UTF-8, mistakes and failures as one-line messages.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
class ParseError;
}  // namespace CLI

namespace peltatxt::cli {

// Prints "peltatxt: message" on stderr as exactly one line.
void report(std::string message);

// The process as the tool needs it: on Windows the command line as UTF-8 (which the rest of the
// tool expects; console output is console.h's); elsewhere a write beyond the file-size limit fails
// with EFBIG, reported like any failed write, instead of the signal ending the tool without a word.
class Arguments {
public:
    Arguments(int argc, char** argv);
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;
    int argc() const { return argc_; }
    char** argv() const { return argv_; }

private:
    std::vector<std::string> args_;
    std::vector<char*> pointers_;
    int argc_;
    char** argv_;
};

// Before parsing: an unknown subcommand or an unknown option ahead of the subcommand, named.
std::optional<std::string> command_line_mistake(const CLI::App& app, int argc, char** argv);

// A parse error in one line, naming the subcommand and the argument at fault.
std::string parse_error_message(const CLI::App& app, const CLI::ParseError& e);

// The exit status of a run whose standard output must still reach its reader: a write that
// failed (a full disk, a closed pipe) is a failure, never a success.
int with_output_flushed(int status);

}  // namespace peltatxt::cli
