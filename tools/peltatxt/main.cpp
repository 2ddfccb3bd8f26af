// main.cpp — the peltatxt command line: subcommands and options, and turning failures into one-line messages.
#include <CLI/CLI.hpp>

#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "excerpt.h"
#include "failure.h"
#include "plugin_host.h"
#include "terminal.h"

#if defined(_WIN32)
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>
#else
#include <signal.h>
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

// A width of columns: digits only, below 100000.
std::optional<std::size_t> width_of(const std::string& text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    return static_cast<std::size_t>(std::stoul(text));
}

// Before parsing: an unknown subcommand or an unknown option ahead of the subcommand, named.
std::optional<std::string> command_line_mistake(const CLI::App& app, int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--plugin") {
            ++i;
            continue;
        }
        if (arg.rfind("--plugin=", 0) == 0 || arg == "-h" || arg == "--help" || arg == "--version") continue;
        if (arg.size() > 1 && arg[0] == '-')
            return "unknown option '" + excerpt(arg) + "' (see peltatxt --help)";
        auto named = [&](const CLI::App* sub) { return sub->get_name() == arg; };
        if (!app.get_subcommands(named).empty()) return std::nullopt;
        return "unknown subcommand '" + excerpt(arg) + "' (see peltatxt --help)";
    }
    return std::nullopt;
}

// A parse error in one line, naming the subcommand and the argument at fault.
std::string parse_error_message(const CLI::App& app, const CLI::ParseError& e) {
    std::string where = "peltatxt";
    for (const CLI::App* sub : app.get_subcommands()) where = "peltatxt " + sub->get_name();
    std::string hint = " (see " + where + " --help)";
    std::string prefix = where == "peltatxt" ? "" : where.substr(9) + ": ";
    std::string what = e.what();
    if (dynamic_cast<const CLI::ExtrasError*>(&e)) {
        std::string extra = what.substr(what.find(": ") == std::string::npos ? 0 : what.find(": ") + 2);
        bool option = !extra.empty() && extra[0] == '-' && extra.size() > 1;
        return prefix + (option ? "unknown option '" : "unexpected argument '") + excerpt(extra) + "'" + hint;
    }
    if (what == "A subcommand is required") return "a subcommand is required" + hint;
    return prefix + what + hint;
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

// The exit status of a run whose standard output must still reach its reader: a write that
// failed (a full disk, a closed pipe) is a failure, never a success.
int with_output_flushed(int status) {
    std::cout.flush();
    if (std::cout) return status;
    report("standard output: cannot write");
    return kExitTrouble;
}

int run(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
#if !defined(_WIN32)
    // A write beyond the file-size limit then fails with EFBIG, reported like any failed write,
    // instead of the signal ending the tool without a word.
    ::signal(SIGXFSZ, SIG_IGN);
#endif
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
    std::string width_text;
    auto* show = app.add_subcommand("show", "Print the folder tree of a data file as an indented outline");
    show->add_option("FILE", file, "The data file (- for standard input)")->required();
    show->add_option("-w,--width", width_text,
                     "Cut lines to this many columns, 0 for no limit (default: on a terminal COLUMNS, else the "
                     "terminal's width; into a pipe or file lines are not cut)")
        ->type_name("COLUMNS");

    std::string output;
    // -o of the subcommands that write a text, and OUTPATH of those that export through the plug-in.
    auto add_output = [&output](CLI::App* sub, const std::string& what) {
        sub->add_option("-o,--output", output, "Write the " + what + " into this file (- or none: standard output)")
            ->type_name("OUT");
    };
    std::string out_path;
    auto add_export_path = [&out_path](CLI::App* sub) {
        sub->add_option("OUTPATH", out_path,
                        "Where to export: the plug-in writes its directory and stem plus \".peltatxt\" (- for "
                        "standard output)")
            ->required();
    };

    bool flat = false;
    auto* to_json = app.add_subcommand("to-json", "Write every record of a data file as JSON (UTF-8)");
    to_json->add_option("FILE", file, "The data file (- for standard input)")->required();
    add_output(to_json, "JSON");
    to_json->add_flag("--flat", flat,
                      "The host's flat list, with id, parentId, auxA and auxB, instead of a tree of folders");

    auto* from_json = app.add_subcommand(
        "from-json", "Export the records of a JSON file (either shape) through the plug-in; prints the file written");
    from_json->add_option("IN", file, "The JSON file (- for standard input)")->required();
    add_export_path(from_json);

    bool force = false;
    auto* check = app.add_subcommand(
        "check",
        "Export a data file (or a JSON file, named *.json) and import it again; list every record that did "
        "not come back identical (exit status 1)");
    check->add_option("FILE", file, "The data file or JSON file (- for standard input)")->required();
    check->add_flag("--force", force, "Go on with a data file that does not look like UTF-16");

    std::string second;
    bool diff_json = false;
    auto* diff = app.add_subcommand(
        "diff",
        "Compare two collections (data files or JSON files, named *.json, in any mix): records added, removed, "
        "changed or moved (exit status 0 equal, 1 different)");
    diff->add_option("A", file, "The collection before (- for standard input)")->required();
    diff->add_option("B", second, "The collection after (- for standard input)")->required();
    diff->add_flag("--json", diff_json, "The changes as JSON, for programs");
    diff->add_flag("--force", force, "Go on with a data file that does not look like UTF-16");

    auto* to_csv = app.add_subcommand(
        "to-csv", "Write every record of a data file as CSV for spreadsheet programs (UTF-8 with BOM, CR LF)");
    to_csv->add_option("FILE", file, "The data file (- for standard input)")->required();
    add_output(to_csv, "CSV");

    auto* from_csv = app.add_subcommand(
        "from-csv", "Export the records of a CSV file (as to-csv writes it) through the plug-in; prints the file written");
    from_csv->add_option("IN", file, "The CSV file (- for standard input)")->required();
    add_export_path(from_csv);

    app.footer("Exit status: 0 success, 1 check or diff found differences, 2 bad input, plug-in or output.");

    if (std::optional<std::string> mistake = command_line_mistake(app, argc, argv)) {
        report(*mistake);
        return kExitTrouble;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return with_output_flushed(app.exit(e));  // --help, --version
        report(parse_error_message(app, e));
        return kExitTrouble;
    }

    auto run_subcommand = [&]() -> int {
        if (plugin.empty()) plugin = host::default_plugin_path(argv[0]);
        Streams io{std::cout, std::cerr};
        if (app.got_subcommand("info")) return run_info(plugin, io);
        if (app.got_subcommand("show")) {
            std::size_t width = 0;
            if (show->count("--width")) {
                std::optional<std::size_t> w = width_of(width_text);
                if (!w) {
                    report("show: --width takes a positive number of columns (or 0 for no limit), not '" +
                           excerpt(width_text) + "' (see peltatxt show --help)");
                    return kExitTrouble;
                }
                width = *w;
            } else if (output_is_terminal()) {
                width = terminal_width();
            }
            return run_show(plugin, file, width, io);
        }
        if (app.got_subcommand("to-json")) return run_to_json(plugin, file, output, flat, io);
        if (app.got_subcommand("from-json")) return run_from_json(plugin, file, out_path, io);
        if (app.got_subcommand("check")) return run_check(plugin, file, force, io);
        if (app.got_subcommand("diff")) return run_diff(plugin, file, second, diff_json, force, io);
        if (app.got_subcommand("to-csv")) return run_to_csv(plugin, file, output, io);
        if (app.got_subcommand("from-csv")) return run_from_csv(plugin, file, out_path, io);
        return kExitTrouble;
    };
    try {
        return with_output_flushed(run_subcommand());
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
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {  // in parsing the command line, say
        report("out of memory");
    }
    return kExitTrouble;
}
