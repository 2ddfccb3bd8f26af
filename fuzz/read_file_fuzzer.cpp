// read_file_fuzzer.cpp — fuzz target: any bytes as a file, imported through readDataFile.
//
// Whatever the bytes, the import must give a list (the file exists and is a regular file) whose
// records are well formed: entry and folder kinds the reader makes, letter codes in range, zero
// host fields, ids increasing, every parent an earlier folder, nothing completely empty. The
// same bytes cut into line pieces by a plain independent splitter and fed to the reader must
// give the very same records as the file reader and as the reader over memory, which checks
// their block reads, the byte-order mark and the odd last byte.
#include <cstdint>
#include <span>
#include <string>

#include "datafile/data_file.h"
#include "format/reader.h"
#include "fuzz_support.h"
#include "model/entry_list.h"
#include "model/shared_string.h"
#include <peltatxt.h>
#include "support/read_list_check.h"
#include "fs/file_system.h"
#include "text/line_pieces.h"

using namespace peltatxt;
using peltatxt::fuzz::check;

namespace {

bool strings_equal(const EntryRecord& a, const EntryRecord& b) {
    return view_of(a.title) == view_of(b.title) && view_of(a.data) == view_of(b.data) &&
           view_of(a.macro) == view_of(b.macro);
}

// The oracle: the records the reader makes of the file's units cut into line pieces by a plain
// splitter of its own. The units come after an optional byte-order mark, two bytes each, low
// first, a last odd byte ignored; a piece ends after each LF or at kMaxPiece units. Returns the
// number of units.
std::size_t read_by_oracle(const uint8_t* data, std::size_t size, EntryListObject& list, uint32_t seed) {
    std::size_t i = size >= 2 && data[0] == 0xFF && data[1] == 0xFE ? 2 : 0;
    std::u16string units;
    for (; i + 1 < size; i += 2) units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    Reader reader(list, seed);
    std::size_t pos = 0;
    while (pos < units.size()) {
        std::size_t lf = units.find(u'\n', pos);
        std::size_t end = lf == std::u16string::npos ? units.size() : lf + 1;
        std::size_t n = end - pos < kMaxPiece ? end - pos : kMaxPiece;
        reader.feed(std::u16string_view(units).substr(pos, n));
        pos += n;
    }
    return units.size();
}

void check_same(const EntryListObject* got, const EntryListObject* expected, const char* what) {
    check(got->count == expected->count, what, "different counts");
    RecordRange a(got), b(expected);
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
        bool same = i->kind == j->kind && i->letterCode == j->letterCode && i->id == j->id &&
                    i->parentId == j->parentId && strings_equal(*i, *j);
        check(same, what, fuzz::show(view_of(i->title)) + " / " + fuzz::show(view_of(j->title)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const std::string path = fuzz::scratch_dir() + "/input.txt";
    fuzz::write_file_bytes(path, data, size);
    std::u16string wpath = fuzz::wide(path);
    int64_t seconds = 0;
    check(fs::creation_seconds(wpath, seconds), "the input file has no status");

    EntryListObject* list = readDataFile(SharedString(wpath).release());
    check(list != nullptr, "readDataFile gave no list for an existing regular file");
    uint32_t seed = static_cast<uint32_t>(seconds);
    EntryList expected;
    std::size_t units = read_by_oracle(data, size, expected.object(), seed);
    std::string problem = testing::read_list_problem(list, units);
    check(problem.empty(), "the list breaks a rule of every read list", problem);
    check_same(list, expected.get(), "the file reader and the oracle give different records");
    EntryList in_memory;
    read_memory(std::as_bytes(std::span(data, size)), in_memory.object(), seed);
    check_same(in_memory.get(), expected.get(), "the memory reader and the oracle give different records");
    return 0;
}
