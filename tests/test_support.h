// test_support.h — temporary directories, UTF-16 file contents, random choices and list building for the tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "model/entry_list.h"

namespace peltatxt::testing {

// A fresh directory, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::u16string u16(const std::filesystem::path& p);
std::string read_bytes(const std::filesystem::path& p);
void write_bytes(const std::filesystem::path& p, std::string_view bytes);
// Little-endian bytes of text, after a byte-order mark when bom is set.
std::string utf16le(std::u16string_view text, bool bom = true);
std::u16string from_utf16le(std::string_view bytes);
// Writes text as a UTF-16LE file with a byte-order mark.
void write_text(const std::filesystem::path& p, std::u16string_view text, bool bom = true);
// Names of the files in a directory.
std::vector<std::string> file_names(const std::filesystem::path& dir);

// Seeded random choices for the generators of random inputs: the same seed, the same input.
class RandomChoices {
public:
    explicit RandomChoices(uint32_t seed) : rng_(seed) {}
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(int percent) { return pick(1, 100) <= percent; }
    template <std::size_t N>
    std::u16string one_of(const std::u16string_view (&options)[N]) {
        return std::u16string(options[static_cast<std::size_t>(pick(0, static_cast<int>(N) - 1))]);
    }

private:
    std::mt19937 rng_;
};

// A record as plain values, for building lists and comparing what comes back.
struct Rec {
    uint8_t kind = PELTATXT_KIND_LOCKED;
    int8_t letterCode = 0;
    int32_t id = 0;
    int32_t parentId = kNoParent;
    std::u16string title, data, macro;
    friend bool operator==(const Rec&, const Rec&) = default;
};

Rec folder(int32_t id, int32_t parent, std::u16string title, uint8_t kind = PELTATXT_KIND_FOLDER);
Rec entry(int32_t id, int32_t parent, std::u16string title, std::u16string data, uint8_t kind = PELTATXT_KIND_LOCKED);

EntryList make_list(const std::vector<Rec>& recs);
std::vector<Rec> records_of(const EntryListObject* list);

// Readable form of a record for failure messages.
std::string describe(const Rec& r);
std::string narrow(std::u16string_view s);
inline void PrintTo(const Rec& r, std::ostream* os) { *os << describe(r); }

}  // namespace peltatxt::testing
