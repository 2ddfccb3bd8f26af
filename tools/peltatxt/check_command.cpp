// check_command.cpp — check: a collection exported through the plug-in and imported again, and what did not come back.
#include <CLI/CLI.hpp>

#include <memory>

#include "command_steps.h"
#include "commands.h"
#include "failure.h"
#include "round_trip.h"
#include "temp_dir.h"

namespace peltatxt::cli {
namespace {

struct CheckOptions {
    std::string file;
    bool force = false;
};

// Exports the records of file (a data file, or JSON when its name ends in ".json" or standard
// input holds JSON) into a temporary directory, imports them again and lists every record that
// did not come back. A data file that does not look like UTF-16 is refused unless force.
int run_check(const CheckOptions& o, const Session& s) {
    InputFile in(o.file);
    std::unique_ptr<host::Plugin> plugin = load_plugin(s.plugin);
    Records before = read_collection(*plugin, in, o.force, s.io);
    TempDir dir;
    std::string copy = export_records(*plugin, before, dir.file("round-trip.peltatxt"));
    Records after = import_file(*plugin, copy);
    CheckReport report = check_report(in.name(), before, after);
    s.io.out << report.text;
    finish_output(s.io.out);
    return report.identical ? kExitOk : kExitDifferent;
}

}  // namespace

Run check_command(CLI::App& sub) {
    auto o = std::make_shared<CheckOptions>();
    sub.add_option("FILE", o->file, "The data file or JSON file (- for standard input)")->required();
    sub.add_flag("--force", o->force, "Go on with a data file that does not look like UTF-16");
    return [o](const Session& s) { return run_check(*o, s); };
}

}  // namespace peltatxt::cli
