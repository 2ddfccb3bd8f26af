// commands.h — the tool's subcommands, each a host session with the plug-in; they return the exit status.
//
// Every file argument may be "-" for standard input, every output "-" for standard output.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>

namespace peltatxt::cli {

// Where the tool writes; warnings go to err as one line each.
struct Streams {
    std::ostream& out;
    std::ostream& err;
};

// The plug-in's identity: format name, file pattern, isUnicode and the library's path.
int run_info(const std::string& plugin, Streams io);

// The outline of a data file, cut to width columns (0: not cut).
int run_show(const std::string& plugin, const std::string& file, std::size_t width, Streams io);

// The records of a data file as JSON, into output (empty or "-": standard output).
int run_to_json(const std::string& plugin, const std::string& file, const std::string& output, bool flat, Streams io);

// Exports the records of a JSON file through the plug-in into the file it derives from out_path
// ("-": the data file goes to standard output).
int run_from_json(const std::string& plugin, const std::string& json_file, const std::string& out_path, Streams io);

// Exports the records of file (a data file, or JSON when its name ends in ".json" or standard
// input holds JSON) into a temporary directory, imports them again and lists every record that
// did not come back. A data file that does not look like UTF-16 is refused unless force.
int run_check(const std::string& plugin, const std::string& file, bool force, Streams io);

// Compares two collections (data files or JSON, in any mix): exit 0 when equal, 1 when not.
// A data file that does not look like UTF-16 is refused unless force.
int run_diff(const std::string& plugin, const std::string& a, const std::string& b, bool json, bool force,
             Streams io);

// The records of a data file as CSV, into output (empty or "-": standard output).
int run_to_csv(const std::string& plugin, const std::string& file, const std::string& output, Streams io);

// Exports the records of a CSV file through the plug-in, like run_from_json.
int run_from_csv(const std::string& plugin, const std::string& csv_file, const std::string& out_path, Streams io);

}  // namespace peltatxt::cli
