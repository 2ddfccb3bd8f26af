// command_line.cpp — reading the command line before the commands run, and reporting what went wrong.
#include "command_line.h"

#include <CLI/CLI.hpp>

#include <iostream>

#include "excerpt.h"
#include "failure.h"
#include "plugin_host.h"

#if defined(_WIN32)
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>
#else
#include <signal.h>
#endif

namespace peltatxt::cli {

void report(std::string message) {
    for (char& c : message)
        if (c == '\n' || c == '\r') c = ' ';
    std::cerr << "peltatxt: " << message << '\n';
}

Arguments::Arguments(int argc, char** argv) : argc_(argc), argv_(argv) {
#if defined(_WIN32)
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; wide && i < count; ++i) args_.push_back(host::utf8_replacing(reinterpret_cast<const char16_t*>(wide[i])));
    if (wide) LocalFree(wide);
    for (std::string& a : args_) pointers_.push_back(a.data());
    if (!pointers_.empty()) {
        argc_ = static_cast<int>(pointers_.size());
        argv_ = pointers_.data();
    }
#else
    ::signal(SIGXFSZ, SIG_IGN);
#endif
}

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

int with_output_flushed(int status) {
    std::cout.flush();
    if (std::cout) return status;
    report("standard output: cannot write");
    return kExitTrouble;
}

}  // namespace peltatxt::cli
