// show_command.cpp — show: the folder tree of a data file as an outline, cut to the terminal's width.
#include <CLI/CLI.hpp>

#include <memory>
#include <optional>

#include "command_steps.h"
#include "commands.h"
#include "excerpt.h"
#include "failure.h"
#include "outline.h"
#include "terminal.h"

namespace peltatxt::cli {
namespace {

struct ShowOptions {
    std::string file;
    std::string width;
    CLI::Option* width_given = nullptr;
};

// A width of columns: digits only, below 100000.
std::optional<std::size_t> width_of(const std::string& text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    return static_cast<std::size_t>(std::stoul(text));
}

// The columns to cut lines to: as given, else on a terminal its width, else none (0).
std::size_t columns(const ShowOptions& o) {
    if (o.width_given->count()) {
        std::optional<std::size_t> w = width_of(o.width);
        if (!w)
            throw Failure("show: --width takes a positive number of columns (or 0 for no limit), not '" +
                          excerpt(o.width) + "' (see peltatxt show --help)");
        return *w;
    }
    return output_is_terminal() ? terminal_width() : 0;
}

int run_show(const ShowOptions& o, const Session& s) {
    std::size_t width = columns(o);
    InputFile in(o.file);
    warn_if_not_utf16(in, s.io);
    std::unique_ptr<host::Plugin> plugin = load_plugin(s.plugin);
    Records records = import_input(*plugin, in);
    print_outline(s.io.out, records, width);
    finish_output(s.io.out);
    return kExitOk;
}

}  // namespace

Run show_command(CLI::App& sub) {
    auto o = std::make_shared<ShowOptions>();
    sub.add_option("FILE", o->file, "The data file (- for standard input)")->required();
    o->width_given = sub.add_option("-w,--width", o->width,
                                    "Cut lines to this many columns, 0 for no limit (default: on a terminal "
                                    "COLUMNS, else the terminal's width; into a pipe or file lines are not cut)")
                         ->type_name("COLUMNS");
    return [o](const Session& s) { return run_show(*o, s); };
}

}  // namespace peltatxt::cli
