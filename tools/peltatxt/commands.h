// commands.h — the tool's command table: each subcommand's name, help, options and run, which main dispatches.
//
// Every file argument may be "-" for standard input, every output "-" for standard output.
#pragma once

#include <functional>
#include <ostream>
#include <span>
#include <string>

namespace CLI {
class App;
}

namespace peltatxt::cli {

// Where the tool writes; warnings go to err as one line each.
struct Streams {
    std::ostream& out;
    std::ostream& err;
};

// What every command runs with: the plug-in library to load, and where it writes.
struct Session {
    const std::string& plugin;
    Streams io;
};

// A command's work once the command line is parsed; it reads the options its setup bound. It
// returns the exit status, or throws Failure.
using Run = std::function<int(const Session&)>;

// One subcommand. setup adds its options and arguments to sub (in the order its help lists them)
// and returns the run that reads them.
struct Command {
    const char* name;
    const char* help;
    Run (*setup)(CLI::App& sub);
};

// Every subcommand, in the order in which the tool's help lists them.
std::span<const Command> commands();

// The setups, each beside its command's run.
Run info_command(CLI::App& sub);      // info_command.cpp
Run show_command(CLI::App& sub);      // show_command.cpp
Run to_json_command(CLI::App& sub);   // convert_commands.cpp
Run from_json_command(CLI::App& sub);
Run to_csv_command(CLI::App& sub);
Run from_csv_command(CLI::App& sub);
Run check_command(CLI::App& sub);     // check_command.cpp
Run diff_command(CLI::App& sub);      // diff_command.cpp

}  // namespace peltatxt::cli
