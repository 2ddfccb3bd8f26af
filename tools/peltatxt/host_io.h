// host_io.h — the tool as the host: loading the plug-in, importing files and exporting records through its exports.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "plugin_host.h"

namespace peltatxt::cli {

using Records = std::vector<host::Record>;

// Loads the plug-in library and resolves its eight exports; fails naming the library.
std::unique_ptr<host::Plugin> load_plugin(const std::string& path);

// Makes sure path is a readable file and returns a warning when it does not look like UTF-16.
std::optional<std::string> probe_data_file(const std::string& path);

// Imports a data file with readDataFile and copies the result list, as the host does.
Records import_file(host::Plugin& plugin, const std::string& path);

// The file writeDataFile writes for path: output_path (format/rules.h) over the path in UTF-16.
std::string output_path_for(const std::string& path);

// Builds a host list of records and exports it with writeDataFile; returns the file written.
std::string export_records(host::Plugin& plugin, const Records& records, const std::string& path);

}  // namespace peltatxt::cli
