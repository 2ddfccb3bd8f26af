// command_steps.cpp — checking, reading and exporting as the commands do it, with their failures named.
#include "command_steps.h"

#include "encoding_check.h"
#include "failure.h"
#include "file_names.h"
#include "file_reads.h"
#include "records_json.h"
#include "temp_dir.h"

namespace peltatxt::cli {
namespace {

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

}  // namespace

void warn_if_not_utf16(const InputFile& in, Streams io) {
    std::optional<std::string> warning = in.named([&] { return probe_data_file(in.path()); });
    if (warning)
        io.err << "peltatxt: warning: " << in.name() << ": " << *warning
               << "; read as UTF-16 little-endian all the same\n";
}

void refuse_if_not_utf16(const InputFile& in, bool force, Streams io) {
    if (force) return warn_if_not_utf16(in, io);
    std::optional<std::string> warning = in.named([&] { return probe_data_file(in.path()); });
    if (warning) throw Failure(in.name() + ": " + *warning + " (--force reads it as UTF-16 all the same)");
}

void refuse_output_over_input(const std::string& output, const InputFile& in) {
    if (output.empty() || is_dash(output) || in.from_stdin() || !same_file(output, in.path())) return;
    throw Failure(output + ": is the input file; it is not written over");
}

Records import_input(host::Plugin& plugin, const InputFile& in) {
    return in.named([&] { return import_file(plugin, in.path()); });
}

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

}  // namespace peltatxt::cli
