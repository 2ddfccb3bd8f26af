// command_steps.h — the steps the commands share: inputs checked and read through the plug-in, outputs refused or exported.
#pragma once

#include <ostream>
#include <string>

#include "commands.h"
#include "host_io.h"
#include "streams.h"

namespace peltatxt::cli {

// A warning on err when a data file does not look like UTF-16; it is read all the same.
void warn_if_not_utf16(const InputFile& in, Streams io);

// Comparing a file that is not UTF-16 would compare garbage: refused unless force, which warns.
void refuse_if_not_utf16(const InputFile& in, bool force, Streams io);

// An output that is the input file itself (also through a link) is never written over.
void refuse_output_over_input(const std::string& output, const InputFile& in);

// The records of a data file, imported through the plug-in.
Records import_input(host::Plugin& plugin, const InputFile& in);

// The records of a data file or JSON file (by its name, or for standard input by its first
// character), for check and diff; a data file that is not UTF-16 is refused unless force.
Records read_collection(host::Plugin& plugin, const InputFile& in, bool force, Streams io);

// Flushes what a command wrote; a failed write throws Failure naming standard output.
void finish_output(std::ostream& out);

// Exports records to out_path, or with "-" to standard output; says what it wrote.
int export_to(host::Plugin& plugin, const Records& records, const std::string& out_path, Streams io);

}  // namespace peltatxt::cli
