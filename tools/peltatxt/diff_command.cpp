// diff_command.cpp — diff: two collections (data files or JSON, in any mix) read and compared.
#include <CLI/CLI.hpp>

#include <memory>

#include "command_steps.h"
#include "commands.h"
#include "diff.h"
#include "failure.h"
#include "records.h"

namespace peltatxt::cli {
namespace {

struct DiffOptions {
    std::string a, b;
    bool json = false;
    bool force = false;
    bool loose_breaks = false;
};

// Exit 0 when the collections are equal, 1 when not. A data file that does not look like UTF-16
// is refused unless force.
int run_diff(const DiffOptions& o, const Session& s) {
    if (is_dash(o.a) && is_dash(o.b)) throw Failure("standard input: cannot be both collections to compare");
    InputFile in_a(o.a), in_b(o.b);
    std::unique_ptr<host::Plugin> plugin = load_plugin(s.plugin);
    Records before = read_collection(*plugin, in_a, o.force, s.io);
    Records after = read_collection(*plugin, in_b, o.force, s.io);
    Output out("-", s.io.out);
    bool equal = write_diff(before, after, in_a.name(), in_b.name(), o.json, out,
                            o.loose_breaks ? Breaks::Loose : Breaks::Exact);
    out.finish();
    return equal ? kExitOk : kExitDifferent;
}

}  // namespace

Run diff_command(CLI::App& sub) {
    auto o = std::make_shared<DiffOptions>();
    sub.add_option("A", o->a, "The collection before (- for standard input)")->required();
    sub.add_option("B", o->b, "The collection after (- for standard input)")->required();
    sub.add_flag("--json", o->json, "The changes as JSON, for programs");
    sub.add_flag("--loose-line-breaks", o->loose_breaks,
                 "Count an LF alone, a CR alone and CR LF in texts as the same line break (as after a spreadsheet)");
    sub.add_flag("--force", o->force, "Go on with a data file that does not look like UTF-16");
    return [o](const Session& s) { return run_diff(*o, s); };
}

}  // namespace peltatxt::cli
