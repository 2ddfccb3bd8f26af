// commands.cpp — the command table: every subcommand with its help, in the order the help lists them.
#include "commands.h"

namespace peltatxt::cli {
namespace {

constexpr Command kCommands[] = {
    {"info", "Show the plug-in's format name, file pattern, isUnicode and library path", info_command},
    {"show", "Print the folder tree of a data file as an indented outline", show_command},
    {"to-json", "Write every record of a data file as JSON (UTF-8)", to_json_command},
    {"from-json", "Export the records of a JSON file (either shape) through the plug-in; prints the file written",
     from_json_command},
    {"check",
     "Export a data file (or a JSON file, named *.json) and import it again; list every record that did "
     "not come back identical (exit status 1)",
     check_command},
    {"diff",
     "Compare two collections (data files or JSON files, named *.json, in any mix): records added, removed, "
     "changed or moved (exit status 0 equal, 1 different)",
     diff_command},
    {"to-csv",
     "Write every record of a data file as CSV for spreadsheet programs (UTF-8 with BOM, CR LF; text cells "
     "quoted, an apostrophe before one a spreadsheet would evaluate)",
     to_csv_command},
    {"from-csv",
     "Export the records of a CSV file (as to-csv writes it, after a spreadsheet; rows in any order, an empty "
     "kind is locked) through the plug-in; prints the file written",
     from_csv_command},
};

}  // namespace

std::span<const Command> commands() { return kCommands; }

}  // namespace peltatxt::cli
