// commands.cpp — info, show, to-json, from-json and check: reading inputs, calling the plug-in, writing results.
#include "commands.h"

#include <set>

#include "failure.h"
#include "files.h"
#include "host_io.h"
#include "outline.h"
#include "records_json.h"
#include "round_trip.h"

namespace peltatxt::cli {
namespace {

void warn_if_not_utf16(const std::string& file, Streams io) {
    if (std::optional<std::string> warning = probe_data_file(file))
        io.err << "peltatxt: warning: " << file << ": " << *warning << "; read as UTF-16 little-endian all the same\n";
}

Records import_data_file(const std::string& plugin_path, const std::string& file, Streams io) {
    warn_if_not_utf16(file, io);
    std::unique_ptr<host::Plugin> plugin = load_plugin(plugin_path);
    return import_file(*plugin, file);
}

bool ends_with_json(const std::string& name) {
    if (name.size() < 5) return false;
    std::string tail = name.substr(name.size() - 5);
    for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".json";
}

void finish_output(std::ostream& out) {
    out.flush();
    if (!out) throw Failure("standard output: cannot write");
}

}  // namespace

int run_info(const std::string& plugin_path, Streams io) {
    std::unique_ptr<host::Plugin> plugin = load_plugin(plugin_path);
    io.out << "format name   " << host::to_utf8(plugin->format_name()) << '\n'
           << "file pattern  " << host::to_utf8(plugin->extension()) << '\n'
           << "isUnicode     " << (plugin->isUnicode() ? "yes" : "no") << '\n'
           << "library       " << plugin->path() << '\n';
    finish_output(io.out);
    return kExitOk;
}

int run_show(const std::string& plugin, const std::string& file, std::size_t width, Streams io) {
    Records records = import_data_file(plugin, file, io);
    print_outline(io.out, records, width);
    finish_output(io.out);
    return kExitOk;
}

int run_to_json(const std::string& plugin, const std::string& file, const std::string& output, bool flat, Streams io) {
    if (!output.empty() && same_file(output, file)) throw Failure(output + ": is the input file; it is not written over");
    Records records = import_data_file(plugin, file, io);
    std::string json = records_to_json(records, flat ? Shape::Flat : Shape::Tree, file);
    if (!output.empty()) {
        write_file(output, json);
        return kExitOk;
    }
    io.out << json;
    finish_output(io.out);
    return kExitOk;
}

int run_from_json(const std::string& plugin_path, const std::string& json_file, const std::string& out_path,
                  Streams io) {
    Records records = records_from_json(read_file(json_file, kMaxJsonBytes), json_file);
    if (!out_path.empty() && same_file(output_path_for(out_path), json_file))
        throw Failure(output_path_for(out_path) + ": is the input file; it is not written over");
    std::unique_ptr<host::Plugin> plugin = load_plugin(plugin_path);
    std::string written = export_records(*plugin, records, out_path);
    io.out << "wrote " << written << " (" << records.size() << (records.size() == 1 ? " record)" : " records)") << '\n';
    finish_output(io.out);
    return kExitOk;
}

int run_check(const std::string& plugin_path, const std::string& file, Streams io) {
    Records before;
    std::unique_ptr<host::Plugin> plugin;
    if (ends_with_json(file)) {
        before = records_from_json(read_file(file, kMaxJsonBytes), file);
        plugin = load_plugin(plugin_path);
    } else {
        warn_if_not_utf16(file, io);
        plugin = load_plugin(plugin_path);
        before = import_file(*plugin, file);
    }
    TempDir dir;
    std::string copy = export_records(*plugin, before, dir.file("round-trip.peltatxt"));
    Records after = import_file(*plugin, copy);

    std::vector<Finding> findings = compare_round_trip(before, after);
    if (findings.empty()) {
        io.out << file << ": all " << before.size() << (before.size() == 1 ? " record" : " records")
               << " came back identical\n";
        finish_output(io.out);
        return kExitOk;
    }
    std::set<std::size_t> records_before, records_after;
    for (const Finding& f : findings) {
        if (f.before != Finding::kNone)
            records_before.insert(f.before);
        else
            records_after.insert(f.after);
    }
    std::size_t differing = records_before.size() + records_after.size();
    io.out << file << ": " << differing << " of " << before.size() << (before.size() == 1 ? " record" : " records")
           << " did not come back identical:\n";
    for (const std::string& line : describe(findings, before, after)) io.out << "  " << line << '\n';
    finish_output(io.out);
    return kExitDifferent;
}

}  // namespace peltatxt::cli
