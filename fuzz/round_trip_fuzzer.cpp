// round_trip_fuzzer.cpp — fuzz target: a host list decoded from bytes, exported, imported, compared.
//
// Invariants after writeDataFile and readDataFile:
// - the export succeeds, and the file starts with the byte-order mark and the comment banner;
// - the same list written to memory gives the very bytes of the file;
// - the import gives a list, every record's parent is an earlier folder;
// - exactly the entries with nothing in them (empty title, text and macro, or only what reads
//   back empty: see vanishes) are gone; every other record comes back once, in order, a folder as
//   a folder, inside the folder the writer nests it in (the nearest open folder its parentId
//   names, top level when it names none);
// - a record the format carries exactly (see carryable.h) comes back with the same kind, letter
//   code, title, text and macro;
// - when every record is carried exactly, exporting what came back gives the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "carryable.h"
#include "format/constants.h"
#include "format/markers.h"
#include "format/rules.h"
#include "format/writer.h"
#include "fuzz_support.h"
#include "list_decoder.h"
#include "model/shared_string.h"
#include <peltatxt.h>
#include "support/read_list_check.h"
#include "support/records.h"

using namespace peltatxt;
using peltatxt::fuzz::check;
using peltatxt::fuzz::describe;
using peltatxt::fuzz::show;

namespace {

// An entry comes back unless nothing of it reads back: its text is empty, its title has nothing
// but line breaks (which header titles leave out), and its macro nothing but line breaks (empty
// macro lines before the first text are dropped). A title that reads back empty for any other
// reason (it starts with the title terminator, or is a lone code letter) once lost its entry;
// this target found that, and now checks that such entries come back.
bool only_line_breaks(const std::u16string& s) { return s.find_first_not_of(u"\r\n") == std::u16string::npos; }

bool vanishes(const host::Record& r) {
    return !is_folder(r.kind) && r.data.empty() && only_line_breaks(r.title) && only_line_breaks(r.macro);
}

bool export_list(const std::vector<host::Record>& records, const std::string& path) {
    host::HostList list(records);
    return writeDataFile(SharedString(fuzz::wide(path)).release(), list.get()) == 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const std::string dir = fuzz::scratch_dir();
    std::vector<host::Record> in = fuzz::decode_list(data, size);

    check(export_list(in, dir + "/rt.txt"), "writeDataFile failed");
    const std::string written = fuzz::read_bytes(dir + "/rt.peltatxt");
    std::u16string_view b = banner();
    std::string head = "\xFF\xFE";
    for (char16_t c : b) head += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    check(written.compare(0, head.size(), head) == 0, "the file does not start with the byte-order mark and banner");
    check(write_memory(host::HostList(in).get()) == written, "the list written to memory differs from the saved file");

    const EntryListObject* list = readDataFile(SharedString(fuzz::wide(dir + "/rt.peltatxt")).release());
    check(list != nullptr, "readDataFile gave no list for the exported file");
    check(testing::read_list_problem(list).empty(), "the import breaks a rule of read lists",
          testing::read_list_problem(list));
    std::vector<host::Record> out = host::records_of(list);
    if (std::getenv("PELTATXT_FUZZ_DUMP")) {  // for looking into a finding
        for (const host::Record& r : in)
            std::fprintf(stderr, "in  %d<%d %s\n", r.id, r.parentId, describe(r).c_str());
        for (const host::Record& r : out)
            std::fprintf(stderr, "out %d<%d %s\n", r.id, r.parentId, describe(r).c_str());
        std::fprintf(stderr, "file: %s\n", show(std::u16string(reinterpret_cast<const char16_t*>(written.data()), written.size() / 2)).c_str());
    }

    // Align: every record but the empty entries comes back once, in order.
    std::vector<long> at(in.size(), -1);
    std::size_t next = 0;
    for (std::size_t i = 0; i < in.size(); ++i)
        if (!vanishes(in[i])) at[i] = static_cast<long>(next++);
    check(out.size() == next, "records were lost or added",
          std::to_string(in.size()) + " written, " + std::to_string(next) + " expected, " + std::to_string(out.size()) + " read");

    std::vector<std::ptrdiff_t> parents = folder_positions(in);  // as the writer nests them
    std::vector<std::size_t> depth(in.size(), 0);
    bool all_exact = true;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (parents[i] >= 0) depth[i] = depth[static_cast<std::size_t>(parents[i])] + 1;
        if (at[i] < 0) continue;
        const host::Record& a = in[i];
        const host::Record& r = out[static_cast<std::size_t>(at[i])];
        check(is_folder(a.kind) == is_folder(r.kind), "a record changed between folder and entry", describe(a));
        int32_t want_parent = parents[i] < 0 ? -1 : out[static_cast<std::size_t>(at[static_cast<std::size_t>(parents[i])])].id;
        check(r.parentId == want_parent, "a record came back in another folder", describe(a));
        check(r.auxA == 0 && r.auxB == 0, "host fields came back non-zero");
        if (!fuzz::carryable(a, depth[i])) {
            all_exact = false;
            continue;
        }
        check(testing::same_content(a, r), "a record the format carries came back changed",
              describe(a) + "  came back as  " + describe(r));
    }
    if (all_exact && in.size() == next) {
        check(export_list(out, dir + "/again.txt"), "writeDataFile failed on what was read back");
        check(fuzz::read_bytes(dir + "/again.peltatxt") == written, "a second export gives different bytes");
    }
    return 0;
}
