// main.cpp — the peltatxt command line: the command table dispatched, and failures turned into one-line messages.
#include <CLI/CLI.hpp>

#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "console.h"
#include "failure.h"
#include "plugin_host.h"

using namespace peltatxt;
using namespace peltatxt::cli;

namespace {

int dispatch(int argc, char** argv) {
    Arguments args(argc, argv);
    CLI::App app{
        "Inspects, converts and checks files of the peltatxt text format (\"Unicodeテキスト\"), driving the "
        "plug-in library through its exported functions exactly as the host application does.",
        "peltatxt"};
    app.set_version_flag("--version", "peltatxt " PELTATXT_VERSION);
    app.require_subcommand(1);
    app.fallthrough();
    app.allow_windows_style_options(false);  // "/tmp/x" is a path, not an option, on every platform
    std::string plugin;
    app.add_option("--plugin", plugin, "The plug-in library to load (default: $PELTATXT_PLUGIN, else the one installed or built with the tool)")
        ->type_name("PATH");
    std::vector<std::pair<CLI::App*, Run>> runs;
    for (const Command& command : commands()) {
        CLI::App* sub = app.add_subcommand(command.name, command.help);
        runs.emplace_back(sub, command.setup(*sub));
    }
    app.footer("Exit status: 0 success, 1 check or diff found differences, 2 bad input, plug-in or output.");

    if (std::optional<std::string> mistake = command_line_mistake(app, args.argc(), args.argv())) {
        report(*mistake);
        return kExitTrouble;
    }
    try {
        app.parse(args.argc(), args.argv());
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return with_output_flushed(app.exit(e));  // --help, --version
        report(parse_error_message(app, e));
        return kExitTrouble;
    }
    try {
        if (plugin.empty()) plugin = host::default_plugin_path(args.argv()[0]);
        for (const auto& [sub, run] : runs)
            if (sub->parsed()) return with_output_flushed(run(Session{plugin, {std::cout, std::cerr}}));
        return with_output_flushed(kExitTrouble);
    } catch (const Failure& f) {
        report(f.what());
    } catch (const std::bad_alloc&) {
        report("out of memory");
    } catch (const std::exception& e) {
        report(std::string("unexpected failure: ") + e.what());
    }
    return kExitTrouble;
}

}  // namespace

int main(int argc, char** argv) {
    // The streams' own buffers are set first (sync_with_stdio replaces them), then a console's.
    std::ios::sync_with_stdio(false);
    ConsoleStreams console;
    try {
        return dispatch(argc, argv);
    } catch (const std::bad_alloc&) {  // in parsing the command line, say
        report("out of memory");
    }
    return kExitTrouble;
}
