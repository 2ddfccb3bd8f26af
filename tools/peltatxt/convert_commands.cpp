// convert_commands.cpp — to-json and to-csv, from-json and from-csv: one implementation each way, over a record format.
#include <CLI/CLI.hpp>

#include <memory>
#include <vector>

#include "command_steps.h"
#include "commands.h"
#include "failure.h"
#include "file_reads.h"
#include "record_format.h"

namespace peltatxt::cli {
namespace {

struct ToTextOptions {
    std::string file;
    std::string output;
    bool flat = false;
};

// The records of a data file as text of format, into output (empty or "-": standard output).
int run_to_text(const ToTextOptions& o, const RecordFormat& format, const Session& s) {
    InputFile in(o.file);
    refuse_output_over_input(o.output, in);
    warn_if_not_utf16(in, s.io);
    std::unique_ptr<host::Plugin> plugin = load_plugin(s.plugin);
    Records records = import_input(*plugin, in);
    Output out(o.output, s.io.out);
    format.render(records, in.name(), out);
    out.finish();
    return kExitOk;
}

struct FromTextOptions {
    std::string file;
    std::string out_path;
};

// Exports the records of a text of format through the plug-in into the file it derives from
// out_path ("-": the data file goes to standard output).
int run_from_text(const FromTextOptions& o, const RecordFormat& format, const Session& s) {
    InputFile in(o.file);
    Records records = in.named([&] { return format.parse(read_file(in.path(), kMaxTextInputBytes), in.name()); });
    if (!is_dash(o.out_path)) refuse_output_over_input(output_path_for(o.out_path), in);
    std::unique_ptr<host::Plugin> plugin = load_plugin(s.plugin);
    return export_to(*plugin, records, o.out_path, s.io);
}

// FILE and -o of a to- command.
std::shared_ptr<ToTextOptions> to_text_options(CLI::App& sub, const char* format_name) {
    auto o = std::make_shared<ToTextOptions>();
    sub.add_option("FILE", o->file, "The data file (- for standard input)")->required();
    sub.add_option("-o,--output", o->output,
                   std::string("Write the ") + format_name + " into this file (- or none: standard output)")
        ->type_name("OUT");
    return o;
}

// IN and OUTPATH of a from- command.
std::shared_ptr<FromTextOptions> from_text_options(CLI::App& sub, const char* format_name) {
    auto o = std::make_shared<FromTextOptions>();
    sub.add_option("IN", o->file, std::string("The ") + format_name + " file (- for standard input)")->required();
    sub.add_option("OUTPATH", o->out_path,
                   "Where to export: the plug-in writes its directory and stem plus \".peltatxt\" (- for "
                   "standard output)")
        ->required();
    return o;
}

}  // namespace

Run to_json_command(CLI::App& sub) {
    std::shared_ptr<ToTextOptions> o = to_text_options(sub, json_format(Shape::Tree).name());
    sub.add_flag("--flat", o->flat,
                 "The host's flat list, with id, parentId, auxA and auxB, instead of a tree of folders");
    return [o](const Session& s) { return run_to_text(*o, json_format(o->flat ? Shape::Flat : Shape::Tree), s); };
}

Run to_csv_command(CLI::App& sub) {
    std::shared_ptr<ToTextOptions> o = to_text_options(sub, csv_format().name());
    return [o](const Session& s) { return run_to_text(*o, csv_format(), s); };
}

Run from_json_command(CLI::App& sub) {
    std::shared_ptr<FromTextOptions> o = from_text_options(sub, json_format(Shape::Tree).name());
    return [o](const Session& s) { return run_from_text(*o, json_format(Shape::Tree), s); };
}

Run from_csv_command(CLI::App& sub) {
    std::shared_ptr<FromTextOptions> o = from_text_options(sub, csv_format().name());
    auto how = std::make_shared<CsvReading>();
    auto encoding = std::make_shared<std::string>(encoding_option_name(CsvEncoding::Auto));
    std::vector<std::string> names;
    for (CsvEncoding e : kCsvEncodings) names.push_back(encoding_option_name(e));
    sub.add_option("--encoding", *encoding,
                   "The CSV's encoding: auto (UTF-8, UTF-16 by its byte-order mark, or code page 932 when the "
                   "bytes are that and not UTF-8; the one used is named when not UTF-8), utf-8, utf-16 "
                   "(little-endian without a mark) or cp932 (Shift_JIS as Windows writes it)")
        ->check(CLI::IsMember(names, CLI::ignore_case))
        ->type_name("ENCODING");
    sub.add_flag("--keep-line-breaks", how->keep_line_breaks,
                 "Keep every LF or CR alone in a cell as it is; without it, they become CR LF (the host's line "
                 "break) except in rows to-csv marked \"exact\" in lineBreaks");
    return [o, how, encoding](const Session& s) {
        for (CsvEncoding e : kCsvEncodings)
            if (*encoding == encoding_option_name(e)) how->encoding = e;
        std::unique_ptr<RecordFormat> format =
            csv_format(*how, [&](const std::string& note) { s.io.err << "peltatxt: " << note << "\n"; });
        return run_from_text(*o, *format, s);
    };
}

}  // namespace peltatxt::cli
