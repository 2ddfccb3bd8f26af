// commands.cpp — the subcommands: reading inputs, calling the plug-in, writing results.
#include "commands.h"

#include <set>

#include "diff.h"
#include "failure.h"
#include "files.h"
#include "host_io.h"
#include "outline.h"
#include "records_csv.h"
#include "records_json.h"
#include "round_trip.h"
#include "streams.h"

namespace peltatxt::cli {
namespace {

void warn_if_not_utf16(const InputFile& in, Streams io) {
    std::optional<std::string> warning = in.named([&] { return probe_data_file(in.path()); });
    if (warning)
        io.err << "peltatxt: warning: " << in.name() << ": " << *warning
               << "; read as UTF-16 little-endian all the same\n";
}

// Comparing a file that is not UTF-16 would compare garbage: refused unless forced.
void refuse_if_not_utf16(const InputFile& in, bool force, Streams io) {
    if (force) return warn_if_not_utf16(in, io);
    std::optional<std::string> warning = in.named([&] { return probe_data_file(in.path()); });
    if (warning) throw Failure(in.name() + ": " + *warning + " (--force reads it as UTF-16 all the same)");
}

// An output that is the input file itself (also through a link) is never written over.
void refuse_output_over_input(const std::string& output, const InputFile& in) {
    if (output.empty() || is_dash(output) || in.from_stdin() || !same_file(output, in.path())) return;
    throw Failure(output + ": is the input file; it is not written over");
}

Records import_input(host::Plugin& plugin, const InputFile& in) {
    return in.named([&] { return import_file(plugin, in.path()); });
}

bool ends_with_json(const std::string& name) {
    if (name.size() < 5) return false;
    std::string tail = name.substr(name.size() - 5);
    for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".json";
}

// Whether an input holds JSON: by its name, or for standard input by its first character.
bool is_json_input(const InputFile& in) {
    if (!in.from_stdin()) return ends_with_json(in.name());
    std::string head = in.named([&] { return read_head(in.path(), kEncodingSample); });
    if (!encoding_warning(head)) return false;  // UTF-16 text: a data file
    std::size_t at = head.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    while (at < head.size() && (head[at] == ' ' || head[at] == '\t' || head[at] == '\r' || head[at] == '\n')) ++at;
    return at < head.size() && head[at] == '[';
}

// The records of a data file or JSON file, for check and diff.
Records read_collection(host::Plugin& plugin, const InputFile& in, bool force, Streams io) {
    if (is_json_input(in))
        return in.named([&] { return records_from_json(read_file(in.path(), kMaxTextInputBytes), in.name()); });
    refuse_if_not_utf16(in, force, io);
    return import_input(plugin, in);
}

void finish_output(std::ostream& out) {
    out.flush();
    if (!out) throw Failure("standard output: cannot write");
}

// Exports records to out_path, or with "-" to standard output; says what it wrote.
int export_to(host::Plugin& plugin, const Records& records, const std::string& out_path, Streams io) {
    if (is_dash(out_path)) {
        TempDir dir;
        std::string written = export_records(plugin, records, dir.file("standard-output"));
        Output out("-", io.out);
        read_in_pieces(written, [&](std::string_view piece) { out.write(piece); });
        out.finish();
        return kExitOk;
    }
    std::string written = export_records(plugin, records, out_path);
    io.out << "wrote " << written << " (" << records.size() << (records.size() == 1 ? " record)" : " records)") << '\n';
    finish_output(io.out);
    return kExitOk;
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

int run_show(const std::string& plugin_path, const std::string& file, std::size_t width, Streams io) {
    InputFile in(file);
    warn_if_not_utf16(in, io);
    std::unique_ptr<host::Plugin> plugin = load_plugin(plugin_path);
    Records records = import_input(*plugin, in);
    print_outline(io.out, records, width);
    finish_output(io.out);
    return kExitOk;
}

int run_to_json(const std::string& plugin_path, const std::string& file, const std::string& output, bool flat,
                Streams io) {
    InputFile in(file);
    refuse_output_over_input(output, in);
    warn_if_not_utf16(in, io);
    std::unique_ptr<host::Plugin> plugin = load_plugin(plugin_path);
    Records records = import_input(*plugin, in);
    Output out(output, io.out);
    write_json(records, flat ? Shape::Flat : Shape::Tree, in.name(), out);
    out.finish();
    return kExitOk;
}

int run_from_json(const std::string& plugin_path, const std::string& json_file, const std::string& out_path,
                  Streams io) {
    InputFile in(json_file);
    Records records = in.named([&] { return records_from_json(read_file(in.path(), kMaxTextInputBytes), in.name()); });
    if (!is_dash(out_path)) refuse_output_over_input(output_path_for(out_path), in);
    std::unique_ptr<host::Plugin> plugin = load_plugin(plugin_path);
    return export_to(*plugin, records, out_path, io);
}

int run_check(const std::string& plugin_path, const std::string& file, bool force, Streams io) {
    InputFile in(file);
    std::unique_ptr<host::Plugin> plugin = load_plugin(plugin_path);
    Records before = read_collection(*plugin, in, force, io);
    TempDir dir;
    std::string copy = export_records(*plugin, before, dir.file("round-trip.peltatxt"));
    Records after = import_file(*plugin, copy);

    const std::string& name = in.name();
    std::vector<Finding> findings = compare_round_trip(before, after);
    if (findings.empty()) {
        io.out << name << ": all " << before.size() << (before.size() == 1 ? " record" : " records")
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
    io.out << name << ": " << differing << " of " << before.size() << (before.size() == 1 ? " record" : " records")
           << " did not come back identical:\n";
    for (const std::string& line : describe(findings, before, after)) io.out << "  " << line << '\n';
    finish_output(io.out);
    return kExitDifferent;
}

int run_diff(const std::string& plugin_path, const std::string& a, const std::string& b, bool json, bool force,
             Streams io) {
    if (is_dash(a) && is_dash(b)) throw Failure("standard input: cannot be both collections to compare");
    InputFile in_a(a), in_b(b);
    std::unique_ptr<host::Plugin> plugin = load_plugin(plugin_path);
    Records before = read_collection(*plugin, in_a, force, io);
    Records after = read_collection(*plugin, in_b, force, io);
    CollectionDiff diff(before, after);
    Output out("-", io.out);
    if (json)
        diff.write_json(out);
    else
        diff.write_text(in_a.name(), in_b.name(), out);
    out.finish();
    return diff.changes().empty() ? kExitOk : kExitDifferent;
}

int run_to_csv(const std::string& plugin_path, const std::string& file, const std::string& output, Streams io) {
    InputFile in(file);
    refuse_output_over_input(output, in);
    warn_if_not_utf16(in, io);
    std::unique_ptr<host::Plugin> plugin = load_plugin(plugin_path);
    Records records = import_input(*plugin, in);
    Output out(output, io.out);
    write_csv(records, out);
    out.finish();
    return kExitOk;
}

int run_from_csv(const std::string& plugin_path, const std::string& csv_file, const std::string& out_path,
                 Streams io) {
    InputFile in(csv_file);
    Records records = in.named([&] { return records_from_csv(read_file(in.path(), kMaxTextInputBytes), in.name()); });
    if (!is_dash(out_path)) refuse_output_over_input(output_path_for(out_path), in);
    std::unique_ptr<host::Plugin> plugin = load_plugin(plugin_path);
    return export_to(*plugin, records, out_path, io);
}

}  // namespace peltatxt::cli
