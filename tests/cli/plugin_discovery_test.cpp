// plugin_discovery_test.cpp — which plug-in a copied or installed tool loads: --plugin, PELTATXT_PLUGIN, beside it, the install layout.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tool_runner.h"

namespace peltatxt::cli_testing {
namespace {
namespace fsys = std::filesystem;

// Runs `tool info` through the shell with an environment of env_prefix ("NAME='value' " or empty).
ToolRun info(const fsys::path& tool, const std::string& env_prefix, const std::string& options = "") {
    TempDir capture;
    std::string command = "env -u PELTATXT_PLUGIN " + env_prefix + "'" + tool.string() + "' " + options + " info >'" +
                          (capture / "out").string() + "' 2>'" + (capture / "err").string() + "'";
    int raw = std::system(command.c_str());
    ToolRun run;
    if (raw != -1 && WIFEXITED(raw)) run.status = WEXITSTATUS(raw);
    run.out = read_bytes(capture / "out");
    run.err = read_bytes(capture / "err");
    return run;
}

// The library line of a successful `info`, normalised.
std::string library_of(const ToolRun& run) {
    std::size_t at = run.out.find("library       ");
    if (run.status != 0 || at == std::string::npos) return "(failed: " + run.err + ")";
    std::string path = run.out.substr(at + 14);
    while (!path.empty() && path.back() == '\n') path.pop_back();
    return fsys::path(path).lexically_normal().string();
}

std::string normal(const fsys::path& p) { return p.lexically_normal().string(); }

// A copy of the built tool at root/bin/peltatxt, and optionally of the plug-in at root/relative.
fsys::path lay_out(const TempDir& root, const std::string& plugin_relative_to_bin) {
    fsys::path bin = root.path() / "bin";
    fsys::create_directories(bin);
    fsys::copy_file(PELTATXT_TOOL, bin / "peltatxt");
    if (!plugin_relative_to_bin.empty()) {
        fsys::path plugin = bin / plugin_relative_to_bin / "libpeltatxt.so";
        fsys::create_directories(plugin.parent_path());
        fsys::copy_file(PELTATXT_PLUGIN, plugin);
    }
    return bin / "peltatxt";
}

TEST(PluginDiscovery, AnInstalledToolFindsTheInstalledPlugin) {
    TempDir root;
    fsys::path tool = lay_out(root, PELTATXT_PLUGIN_DIR_FROM_TOOL);
    EXPECT_EQ(library_of(info(tool, "")),
              normal(root.path() / "bin" / PELTATXT_PLUGIN_DIR_FROM_TOOL / "libpeltatxt.so"));
}

TEST(PluginDiscovery, AnInstalledToolFindsAPluginWhereOlderInstallsPutIt) {
    TempDir root;
    fsys::path tool = lay_out(root, PELTATXT_OLD_PLUGIN_DIR_FROM_TOOL);
    EXPECT_EQ(library_of(info(tool, "")),
              normal(root.path() / "bin" / PELTATXT_OLD_PLUGIN_DIR_FROM_TOOL / "libpeltatxt.so"));
}

TEST(PluginDiscovery, ACopiedToolPrefersThePluginBesideIt) {
    TempDir root;
    fsys::path tool = lay_out(root, PELTATXT_PLUGIN_DIR_FROM_TOOL);
    fsys::copy_file(PELTATXT_PLUGIN, root.path() / "bin" / "libpeltatxt.so");
    EXPECT_EQ(library_of(info(tool, "")), normal(root.path() / "bin" / "libpeltatxt.so"));
}

TEST(PluginDiscovery, WithoutAPluginAnywhereTheToolSaysWhereItLooked) {
    TempDir root;
    fsys::path tool = lay_out(root, "");
    ToolRun run = info(tool, "");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find((root.path() / "bin" / "libpeltatxt.so").string()), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("cannot load the plug-in"), std::string::npos) << run.err;
}

TEST(PluginDiscovery, TheEnvironmentAndTheOptionChooseAnother) {
    TempDir root;
    fsys::path tool = lay_out(root, PELTATXT_PLUGIN_DIR_FROM_TOOL);
    const std::string partial = PELTATXT_PARTIAL_PLUGIN;
    // PELTATXT_PLUGIN wins over the installed plug-in: here one that lacks an export.
    ToolRun chosen = info(tool, "PELTATXT_PLUGIN='" + partial + "' ");
    EXPECT_EQ(chosen.status, 2);
    EXPECT_NE(chosen.err.find(partial), std::string::npos) << chosen.err;
    EXPECT_NE(chosen.err.find("has no export named"), std::string::npos) << chosen.err;
    // --plugin wins over PELTATXT_PLUGIN.
    EXPECT_EQ(library_of(info(tool, "PELTATXT_PLUGIN='" + partial + "' ", "--plugin '" + std::string(PELTATXT_PLUGIN) + "'")),
              normal(PELTATXT_PLUGIN));
    // An empty variable is as good as none.
    EXPECT_EQ(library_of(info(tool, "PELTATXT_PLUGIN= ")),
              normal(root.path() / "bin" / PELTATXT_PLUGIN_DIR_FROM_TOOL / "libpeltatxt.so"));
}

}  // namespace
}  // namespace peltatxt::cli_testing
