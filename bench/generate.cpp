// generate.cpp — peltatxt_gen: writes a benchmark file by exporting a generated host list through the plug-in.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include "content.h"
#include "plugin_host.h"

using namespace peltatxt;

namespace {

// Appends text to a file as UTF-16LE.
bool append_units(const std::string& path, std::u16string_view text) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    std::string bytes(text.size() * 2, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Writes a benchmark file of the given shape: a generated host list exported through the plug-in."};
    std::string shape_text = "realistic", out, plugin_path;
    double size_mb = 70, scale = 1;
    uint64_t seed = 1;
    app.add_option("--shape", shape_text,
                   "realistic, big-entry, escaped-lines, deep-nesting, blank-lines or tiny-entries");
    app.add_option("--size-mb", size_mb, "realistic: about this many megabytes (10^6 bytes)");
    app.add_option("--scale", scale, "worst shapes: size relative to the named one (1: 50 MB entry, ...)");
    app.add_option("--seed", seed, "the same seed gives the same file");
    app.add_option("--out", out, "the file to write, named *.peltatxt as the plug-in names its files")->required();
    app.add_option("--plugin", plugin_path, "the plug-in library (default: the one built beside this program)");
    CLI11_PARSE(app, argc, argv);

    if (!out.ends_with(".peltatxt")) {
        std::cerr << "peltatxt_gen: the output name must end in .peltatxt\n";
        return 2;
    }
    bench::Shape shape;
    if (!bench::parse_shape(shape_text, shape)) {
        std::cerr << "peltatxt_gen: unknown shape " << shape_text << "\n";
        return 2;
    }
    if (plugin_path.empty()) plugin_path = host::default_plugin_path(argv[0]);
    std::string error;
    auto plugin = host::Plugin::load(plugin_path, error);
    if (!plugin) {
        std::cerr << "peltatxt_gen: " << error << "\n";
        return 1;
    }

    std::size_t records = 0;
    // The host list is built in a scope of its own so that it is gone before the blank lines
    // are appended.
    {
        host::HostList list;
        auto sink = [&](const host::Record& r) {
            list.append(r);
            ++records;
        };
        if (shape == bench::Shape::Realistic)
            bench::realistic_records(seed, static_cast<std::size_t>(size_mb * 1e6), sink);
        else
            bench::shape_records(shape, scale, seed, sink);
        int error = 0;
        if (!plugin->write(host::from_utf8(out), list.get(), error)) {
            std::cerr << "peltatxt_gen: the plug-in could not write " << out << "\n";
            return 1;
        }
    }
    if (shape == bench::Shape::BlankLines && !append_units(out, bench::blank_lines_tail(scale))) {
        std::cerr << "peltatxt_gen: cannot append to " << out << "\n";
        return 1;
    }
    std::ifstream written(out, std::ios::binary | std::ios::ate);
    std::cout << "shape=" << shape_text << " records=" << records << " bytes=" << written.tellg() << " file=" << out
              << "\n";
    return 0;
}
