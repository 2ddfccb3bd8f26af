// host_io.cpp — loading the plug-in, and the host's import and export calls with their failures named.
#include "host_io.h"

#include <system_error>

#include "encoding_check.h"
#include "failure.h"
#include "file_causes.h"
#include "file_names.h"
#include "file_reads.h"
#include "format/rules.h"

namespace peltatxt::cli {

std::unique_ptr<host::Plugin> load_plugin(const std::string& path) {
    // A bare file name would send the loader searching the system's library path; the plug-in
    // is always the file named, so a relative path is made absolute first.
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(native_path(path), ec).lexically_normal();
    std::string error;
    std::unique_ptr<host::Plugin> plugin = host::Plugin::load(ec ? path : utf8_path(absolute), error);
    if (!plugin) {
        if (error.empty()) throw Failure(path + ": cannot load the plug-in");
        // The loader's own reason may repeat the path: say it once.
        std::string loaded = ec ? path : utf8_path(absolute);
        std::size_t twice = error.find(": " + loaded + ": ");
        if (twice != std::string::npos) error.erase(twice, loaded.size() + 2);
        throw Failure(error);
    }
    return plugin;
}

std::optional<std::string> probe_data_file(const std::string& path) {
    return encoding_warning(read_head(path, kEncodingSample));
}

Records import_file(host::Plugin& plugin, const std::string& path) {
    const EntryListObject* list = plugin.read(host::utf16_replacing(path));
    if (!list) throw Failure(path + ": the plug-in could not read the file");
    return host::records_of(list);
}

std::string output_path_for(const std::string& path) { return host::utf8_replacing(output_path(host::utf16_replacing(path))); }

std::string export_records(host::Plugin& plugin, const Records& records, const std::string& path) {
    if (path.empty()) throw Failure("the output path is empty");
    std::string out = output_path_for(path);
    host::HostList list;
    for (const host::Record& r : records) list.append(r);
    int error = 0;
    bool written = plugin.write(host::utf16_replacing(path), list.get(), error);
    std::error_code ec;
    std::filesystem::path target = native_path(out);
    // The cause the plug-in left, or (where it left none) what a look at the target and its
    // directory finds.
    if (!written) throw Failure(out + ": cannot write: " + (error ? why_not_saved(out, error) : why_not_writable(out)));
    if (!std::filesystem::is_regular_file(target, ec))
        throw Failure(out + ": the plug-in reported the file written, but it is not there");
    return out;
}

}  // namespace peltatxt::cli
