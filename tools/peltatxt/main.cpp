// main.cpp — the peltatxt command line: subcommands and options, and turning failures into one-line messages.
#include <CLI/CLI.hpp>

#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "commands.h"
#include "failure.h"
#include "plugin_host.h"
#include "terminal.h"

#if defined(_WIN32)
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>
#endif

using namespace peltatxt;
using namespace peltatxt::cli;

namespace {

// Prints "peltatxt: message" on stderr as exactly one line.
void report(std::string message) {
    for (char& c : message)
        if (c == '\n' || c == '\r') c = ' ';
    std::cerr << "peltatxt: " << message << '\n';
}

#if defined(_WIN32)
// The command line as UTF-8, which is what the rest of the tool expects.
std::vector<std::string> utf8_arguments() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; wide && i < count; ++i) args.push_back(host::to_utf8(reinterpret_cast<const char16_t*>(wide[i])));
    if (wide) LocalFree(wide);
    return args;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
#if defined(_WIN32)
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args = utf8_arguments();
    std::vector<char*> arg_pointers;
    for (std::string& a : args) arg_pointers.push_back(a.data());
    if (!arg_pointers.empty()) {
        argc = static_cast<int>(arg_pointers.size());
        argv = arg_pointers.data();
    }
#endif

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

    app.add_subcommand("info", "Show the plug-in's format name, file pattern, isUnicode and library path");

    std::string file;
    std::size_t width = 0;
    auto* show = app.add_subcommand("show", "Print the folder tree of a data file as an indented outline");
    show->add_option("FILE", file, "The data file")->required();
    show->add_option("-w,--width", width,
                     "Cut lines to this many columns, 0 for no limit (default: COLUMNS, else the terminal's width, "
                     "else 80)");

    std::string output;
    bool flat = false;
    auto* to_json = app.add_subcommand("to-json", "Write every record of a data file as JSON (UTF-8)");
    to_json->add_option("FILE", file, "The data file")->required();
    to_json->add_option("-o,--output", output, "Write the JSON into this file instead of standard output")
        ->type_name("OUT");
    to_json->add_flag("--flat", flat,
                      "The host's flat list, with id, parentId, auxA and auxB, instead of a tree of folders");

    std::string out_path;
    auto* from_json = app.add_subcommand(
        "from-json", "Export the records of a JSON file (either shape) through the plug-in; prints the file written");
    from_json->add_option("IN", file, "The JSON file")->required();
    from_json
        ->add_option("OUTPATH", out_path,
                     "Where to export: the plug-in writes its directory and stem plus \".peltatxt\"")
        ->required();

    auto* check = app.add_subcommand(
        "check",
        "Export a data file (or a JSON file, named *.json) and import it again; list every record that did "
        "not come back identical (exit status 1)");
    check->add_option("FILE", file, "The data file or JSON file")->required();

    app.footer("Exit status: 0 success, 1 check found differences, 2 bad input, plug-in or output.");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);
        report(std::string(e.what()) + " (see --help)");
        return kExitTrouble;
    }

    try {
        if (plugin.empty()) plugin = host::default_plugin_path(argv[0]);
        Streams io{std::cout, std::cerr};
        if (app.got_subcommand("info")) return run_info(plugin, io);
        if (app.got_subcommand("show"))
            return run_show(plugin, file, show->count("--width") ? width : terminal_width(), io);
        if (app.got_subcommand("to-json")) return run_to_json(plugin, file, output, flat, io);
        if (app.got_subcommand("from-json")) return run_from_json(plugin, file, out_path, io);
        if (app.got_subcommand("check")) return run_check(plugin, file, io);
    } catch (const Failure& f) {
        report(f.what());
    } catch (const std::bad_alloc&) {
        report("out of memory");
    } catch (const std::exception& e) {
        report(std::string("unexpected failure: ") + e.what());
    }
    return kExitTrouble;
}
