// replay_main.cpp — runs a fuzz target over the files of its corpus, for builds without libFuzzer.
//
// Arguments are files or directories (whose files are taken in name order). Each file is passed
// to LLVMFuzzerTestOneInput once; a failed check aborts, so the exit status tells the outcome.
// An argument that yields no input at all is an error, so that a missing corpus cannot pass.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

namespace fsys = std::filesystem;

int main(int argc, char** argv) {
    std::vector<fsys::path> inputs;
    for (int i = 1; i < argc; ++i) {
        fsys::path arg(argv[i]);
        std::size_t before = inputs.size();
        if (fsys::is_directory(arg)) {
            for (const auto& e : fsys::directory_iterator(arg))
                if (e.is_regular_file()) inputs.push_back(e.path());
            std::sort(inputs.begin() + static_cast<std::ptrdiff_t>(before), inputs.end());
        } else if (fsys::is_regular_file(arg)) {
            inputs.push_back(arg);
        }
        if (inputs.size() == before) {
            std::fprintf(stderr, "%s: no input files\n", argv[i]);
            return 2;
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR_OR_FILE...\n", argv[0]);
        return 2;
    }
    for (const fsys::path& p : inputs) {
        std::ifstream in(p, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::fprintf(stderr, "%s\n", p.filename().string().c_str());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return 0;
}
