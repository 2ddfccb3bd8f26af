// info_command.cpp — info: the plug-in's format name, file pattern, isUnicode and library path.
#include <CLI/CLI.hpp>

#include "command_steps.h"
#include "commands.h"
#include "failure.h"

namespace peltatxt::cli {
namespace {

int run_info(const Session& s) {
    std::unique_ptr<host::Plugin> plugin = load_plugin(s.plugin);
    s.io.out << "format name   " << host::utf8_replacing(plugin->format_name()) << '\n'
             << "file pattern  " << host::utf8_replacing(plugin->extension()) << '\n'
             << "isUnicode     " << (plugin->isUnicode() ? "yes" : "no") << '\n'
             << "library       " << plugin->path() << '\n';
    finish_output(s.io.out);
    return kExitOk;
}

}  // namespace

Run info_command(CLI::App&) { return run_info; }

}  // namespace peltatxt::cli
