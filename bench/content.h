// content.h — deterministic host lists for the benchmarks: a realistic collection and the worst shapes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "plugin_host.h"

namespace peltatxt::bench {

// A small, fast generator whose sequence depends on the seed alone, on every platform.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n); n > 0.
    uint32_t below(uint32_t n) { return static_cast<uint32_t>((next() >> 32) * n >> 32); }
    // True with the given chance in percent.
    bool percent(uint32_t p) { return below(100) < p; }

private:
    uint64_t state_;
};

// The shapes the generator makes. Realistic is a collection like a user's; the others each
// stress one thing, with their size given by a scale factor (1 is the size named below).
enum class Shape {
    Realistic,     // nested folders with comments and macros, every line form, both kinds, letter codes
    BigEntry,      // one entry of 50 MB (block text of many lines)
    EscapedLines,  // one entry of a million lines that each begin with a marker
    DeepNesting,   // folders nested 2,000 deep, one entry in each
    BlankLines,    // a million blank lines between two bare entries
    TinyEntries,   // a million entries of one character each
};

// Parses a shape name as the command line spells it (realistic, big-entry, escaped-lines,
// deep-nesting, blank-lines, tiny-entries). False for an unknown name.
bool parse_shape(std::string_view name, Shape& shape);
std::string_view shape_name(Shape shape);

// Receives the records of a list in order (folders before their contents).
using RecordSink = std::function<void(const host::Record&)>;

// Emits a realistic collection of about target_bytes once written. Ids count from 1.
void realistic_records(uint64_t seed, std::size_t target_bytes, const RecordSink& sink);

// Emits the records of a worst shape at the given scale (Realistic is not one of them). For
// BlankLines this is the first entry only: the writer never writes a run of blank lines of its
// own accord, so blank_lines_tail() gives what follows it in the file.
void shape_records(Shape shape, double scale, uint64_t seed, const RecordSink& sink);
// For BlankLines: the blank lines and the last bare entry line, as they follow the first entry.
std::u16string blank_lines_tail(double scale);

}  // namespace peltatxt::bench
