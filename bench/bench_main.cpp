// bench_main.cpp — peltatxt_bench: times one import or export through the loaded plug-in and reads its peak memory.
//
// One operation per process, so that the memory high-water mark belongs to that operation alone.
// The result is one line of key=value pairs that bench/run reads.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <fcntl.h>
#include <unistd.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <bit>
#include <memory>

#include <CLI/CLI.hpp>

#include "measure.h"
#include "model/entry_list.h"
#include "plugin_host.h"

using namespace peltatxt;

namespace {

struct Result {
    std::vector<double> seconds;
    std::vector<double> cpu;  // processor seconds of each run
    uint64_t records = 0;
    uint64_t bytes = 0;  // the file read, or the file written
    uint64_t baseline = 0;
    uint64_t peak = 0;
    double floor_seconds = 0, floor_cpu = 0;  // import only: the allocation floor, see below
    double refill_floor_seconds = 0, refill_floor_cpu = 0;  // import only: release and allocation floor
    double first_seconds = 0, first_cpu = 0;  // import only: the first import, into an empty component
    double scan_seconds = 0, scan_cpu = 0;    // import only: the scan floor
    uint64_t line_breaks = 0;                 // the LF units the scan floor counted
    double write_seconds = 0, write_cpu = 0;  // export only: the write floor
};

void print(const std::string& op, const Result& r) {
    double best = *std::min_element(r.seconds.begin(), r.seconds.end());
    uint64_t above = r.peak > r.baseline ? r.peak - r.baseline : 0;
    std::cout << "op=" << op << " runs=" << r.seconds.size() << " best_s=" << best << " times_s=";
    for (std::size_t i = 0; i < r.seconds.size(); ++i) std::cout << (i ? "," : "") << r.seconds[i];
    std::cout << " best_cpu_s=" << *std::min_element(r.cpu.begin(), r.cpu.end()) << " records=" << r.records
              << " bytes=" << r.bytes << " records_per_s=" << static_cast<uint64_t>(double(r.records) / best)
              << " mb_per_s=" << static_cast<uint64_t>(double(r.bytes) / best / 1e6)
              << " baseline_bytes=" << r.baseline << " peak_above_baseline_bytes=" << above
              << " peak_ratio=" << (r.bytes ? double(above) / double(r.bytes) : 0);
    if (op == "import")
        std::cout << " first_s=" << r.first_seconds << " first_cpu_s=" << r.first_cpu << " floor_s=" << r.floor_seconds
                  << " floor_cpu_s=" << r.floor_cpu << " refill_floor_s=" << r.refill_floor_seconds
                  << " refill_floor_cpu_s=" << r.refill_floor_cpu << " scan_s=" << r.scan_seconds
                  << " scan_cpu_s=" << r.scan_cpu << " line_breaks=" << r.line_breaks;
    if (op == "export") std::cout << " write_floor_s=" << r.write_seconds << " write_floor_cpu_s=" << r.write_cpu;
    std::cout << "\n";
}

// The sizes of the blocks a result list is made of: its node blocks, as the list makes them, and
// every string block (shared ones once), in list order.
std::vector<std::size_t> block_sizes(const EntryListObject* list) {
    std::vector<std::size_t> sizes;
    for (std::size_t left = list->count, capacity = 0; left > 0;) {
        capacity = peltatxt::entry_list::node_block_capacity(capacity);
        sizes.push_back(4 * sizeof(void*) + capacity * sizeof(EntryNode));
        left -= std::min(left, capacity);
    }
    const peltatxt_unit* previous = nullptr;
    for (const EntryNode* n = list->sentinel->next; n != list->sentinel; n = n->next) {
        for (const peltatxt_unit* s : {n->record.title, n->record.data, n->record.macro}) {
            const auto* h = reinterpret_cast<const PeltaStringHeader*>(s) - 1;
            if (!s || h->refs < 0 || s == previous) continue;  // static empty blocks; a title shared as text
            sizes.push_back(sizeof(PeltaStringHeader) + (static_cast<std::size_t>(h->length) + 1) * 2);
            previous = s;
        }
    }
    return sizes;
}

std::vector<void*> allocate_and_fill(const std::vector<std::size_t>& sizes) {
    std::vector<void*> blocks(sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        blocks[i] = std::malloc(sizes[i]);
        if (blocks[i]) std::memset(blocks[i], 0x20, sizes[i]);
    }
    return blocks;
}

// The allocation floors of an import, with nothing read or parsed: the time to allocate and fill
// blocks of the sizes its result list holds (a first import), and the time to free such blocks
// and allocate and fill them again (every later import, which replaces the previous list). No
// importer that hands out such a list can beat them.
void time_floor(const std::vector<std::size_t>& sizes, Result& result) {
    double t0 = bench::now_seconds(), c0 = bench::cpu_seconds();
    std::vector<void*> blocks = allocate_and_fill(sizes);
    result.floor_seconds = bench::now_seconds() - t0;
    result.floor_cpu = bench::cpu_seconds() - c0;
    t0 = bench::now_seconds(), c0 = bench::cpu_seconds();
    for (void* b : blocks) std::free(b);
    blocks = allocate_and_fill(sizes);
    result.refill_floor_seconds = bench::now_seconds() - t0;
    result.refill_floor_cpu = bench::cpu_seconds() - c0;
    for (void* b : blocks) std::free(b);
}

// The LF units among the whole units of bytes, 16 bytes at a time where the processor can.
uint64_t count_line_breaks(const unsigned char* bytes, std::size_t size) {
    std::size_t i = 0;
    uint64_t n = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi16(0x000A);
    for (; i + 16 <= size; i += 16) {
        __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        n += static_cast<unsigned>(std::popcount(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, lf)))));
    }
    n /= 2;  // two mask bits per unit
#endif
    for (; i + 2 <= size; i += 2) n += bytes[i] == 0x0A && bytes[i + 1] == 0;
    return n;
}

// The scan floor of an import: the file's bytes read once, in blocks of 1 MiB into one buffer as
// the reader reads them, and its line breaks counted; nothing classified or kept. With the
// allocation floor, what no importer can beat.
bool time_scan_floor(const std::string& file, uint64_t size, Result& result) {
    constexpr std::size_t kBlock = std::size_t{1} << 20;  // even: no unit straddles two blocks
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[kBlock]);
    std::memset(buffer.get(), 0, kBlock);  // its pages are the process's before the clock starts
    double t0 = bench::now_seconds(), c0 = bench::cpu_seconds();
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    uint64_t got = 0, breaks = 0;
    for (ssize_t n; (n = ::read(fd, buffer.get(), kBlock)) > 0;) {
        got += static_cast<uint64_t>(n);
        breaks += count_line_breaks(buffer.get(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    result.line_breaks = breaks;
    result.scan_seconds = bench::now_seconds() - t0;
    result.scan_cpu = bench::cpu_seconds() - c0;
    return got == size;
}

// The write floor of an export: as many bytes written to a new file beside the export, synced,
// and renamed over the export's own file, the rename synced too: what no saving export can beat.
// Like the export, it replaces a file of the same size: freeing the old file's blocks is part of
// every save over an earlier one.
bool time_write_floor(const std::filesystem::path& dir, const std::string& target, uint64_t size, Result& result) {
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    std::unique_ptr<unsigned char[]> chunk(new unsigned char[kChunk]);
    std::memset(chunk.get(), 0x20, kChunk);
    std::string temp = (dir / ".bench-floor.tmp").string();
    double t0 = bench::now_seconds(), c0 = bench::cpu_seconds();
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    for (uint64_t left = size; ok && left > 0;) {
        std::size_t n = left < kChunk ? static_cast<std::size_t>(left) : kChunk;
        ok = ::write(fd, chunk.get(), n) == static_cast<ssize_t>(n);
        left -= n;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    result.write_seconds = bench::now_seconds() - t0;
    result.write_cpu = bench::cpu_seconds() - c0;
    ::unlink(temp.c_str());
    return ok;
}

// Hands freed memory back to the system, so that the next run starts as a fresh process would.
void release_free_memory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Times the plug-in's import (readDataFile) or export (writeDataFile) of one file."};
    std::string op, file, plugin_path, out_dir;
    int runs = 3;
    app.add_option("--op", op, "import, or export (the file is imported once first, untimed)")
        ->required()
        ->check(CLI::IsMember({"import", "export"}));
    app.add_option("--file", file, "the file to import")->required()->check(CLI::ExistingFile);
    app.add_option("--runs", runs, "timed runs; the best counts")->check(CLI::PositiveNumber);
    app.add_option("--out-dir", out_dir, "where export writes bench-export.peltatxt (default: beside the file)");
    app.add_option("--plugin", plugin_path, "the plug-in library (default: the one built beside this program)");
    CLI11_PARSE(app, argc, argv);

    if (plugin_path.empty()) plugin_path = host::default_plugin_path(argv[0]);
    std::string error;
    auto plugin = host::Plugin::load(plugin_path, error);
    if (!plugin) {
        std::cerr << "peltatxt_bench: " << error << "\n";
        return 1;
    }
    std::u16string in_path = host::utf16_replacing(file);
    Result result;
    result.bytes = std::filesystem::file_size(file);

    if (op == "import") {
        result.baseline = bench::resident_bytes();
        bench::reset_peak();
        // The first import fills an empty component; each timed one after it replaces a list of the
        // same shape, as a host's next import does, and so pays for releasing the previous one.
        double t0 = bench::now_seconds(), c0 = bench::cpu_seconds();
        const EntryListObject* list = plugin->read(in_path);
        result.first_seconds = bench::now_seconds() - t0;
        result.first_cpu = bench::cpu_seconds() - c0;
        for (int i = 0; list && i < runs; ++i) {
            t0 = bench::now_seconds(), c0 = bench::cpu_seconds();
            list = plugin->read(in_path);
            result.seconds.push_back(bench::now_seconds() - t0);
            result.cpu.push_back(bench::cpu_seconds() - c0);
        }
        if (!list) {
            std::cerr << "peltatxt_bench: the plug-in could not read " << file << "\n";
            return 1;
        }
        result.records = list->count;
        result.peak = bench::peak_resident_bytes();
        std::vector<std::size_t> sizes = block_sizes(list);
        plugin->endDLL();
        plugin->initDLL();
        release_free_memory();
        time_floor(sizes, result);
        if (!time_scan_floor(file, result.bytes, result)) {
            std::cerr << "peltatxt_bench: could not read " << file << " for the scan floor\n";
            return 1;
        }
    } else {
        const EntryListObject* list = plugin->read(in_path);
        if (!list) {
            std::cerr << "peltatxt_bench: the plug-in could not read " << file << "\n";
            return 1;
        }
        result.records = list->count;
        std::filesystem::path dir = out_dir.empty() ? std::filesystem::path(file).parent_path()
                                                    : std::filesystem::path(out_dir);
        std::string out = (dir / "bench-export.peltatxt").string();
        std::u16string out_path = host::utf16_replacing(out);
        // The list stays in memory through the export: the baseline includes it.
        result.baseline = bench::resident_bytes();
        bench::reset_peak();
        for (int i = 0; i < runs; ++i) {
            double t0 = bench::now_seconds(), c0 = bench::cpu_seconds();
            int error = 0;
            bool ok = plugin->write(out_path, list, error);
            result.seconds.push_back(bench::now_seconds() - t0);
            result.cpu.push_back(bench::cpu_seconds() - c0);
            if (!ok) {
                std::cerr << "peltatxt_bench: the plug-in could not write " << out
                          << (error ? std::string(": ") + std::strerror(error) : std::string()) << "\n";
                return 1;
            }
        }
        result.bytes = std::filesystem::file_size(out);
        result.peak = bench::peak_resident_bytes();
        if (!time_write_floor(dir, out, result.bytes, result)) {
            std::cerr << "peltatxt_bench: could not write the write floor's file in " << dir << "\n";
            return 1;
        }
    }
    print(op, result);
    return 0;
}
