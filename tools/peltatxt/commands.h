// commands.h — the tool's subcommands, each a host session with the plug-in; they return the exit status.
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

// The records of a data file as JSON, into output (empty: standard output).
int run_to_json(const std::string& plugin, const std::string& file, const std::string& output, bool flat, Streams io);

// Exports the records of a JSON file through the plug-in into the file it derives from out_path.
int run_from_json(const std::string& plugin, const std::string& json_file, const std::string& out_path, Streams io);

// Exports the records of file (a data file, or JSON when its name ends in ".json") into a
// temporary directory, imports them again and lists every record that did not come back.
int run_check(const std::string& plugin, const std::string& file, Streams io);

}  // namespace peltatxt::cli
