// record_text_fuzzer.cpp — fuzz target: any bytes as the tool's CSV or JSON, read, written back and read again.
//
// The first byte picks the reader (even: CSV, odd: JSON); the rest is the text. Whatever the
// bytes, reading gives records or fails with the tool's one-line Failure, never a crash, a hang
// or any other exception. What a reader accepts must come back whole: written in the same form
// (JSON in its flat shape, which keeps ids, parents and the host's fields) and read again, it
// gives the very same records, every code unit of every text included.
#include <cstdint>
#include <string>
#include <string_view>

#include "failure.h"
#include "fuzz_support.h"
#include "host_io.h"
#include "records.h"
#include "records_csv.h"
#include "records_json.h"

using namespace peltatxt;
using peltatxt::fuzz::check;

namespace {

std::string describe_first_difference(const cli::Records& a, const cli::Records& b) {
    if (a.size() != b.size()) return std::to_string(a.size()) + " records, then " + std::to_string(b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        std::string fields;
        for (const std::string& f : cli::differing_fields(a[i], b[i])) fields += " " + f;
        if (fields.empty()) fields = " id, parentId, auxA or auxB";
        return "record " + std::to_string(i + 1) + ":" + fields;
    }
    return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool csv = (data[0] & 1) == 0;
    std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    cli::Records first;
    try {
        first = csv ? cli::records_from_csv(text, "in") : cli::records_from_json(text, "in");
    } catch (const cli::Failure&) {
        return 0;  // refused with a message: what bad input gets
    }
    std::string written = csv ? cli::records_to_csv(first) : cli::records_to_json(first, cli::Shape::Flat, "in");
    cli::Records again;
    try {
        again = csv ? cli::records_from_csv(written, "out") : cli::records_from_json(written, "out");
    } catch (const cli::Failure& f) {
        fuzz::fail(csv ? "CSV the tool wrote is refused" : "JSON the tool wrote is refused", f.what());
    }
    check(again == first, csv ? "records do not come back from CSV" : "records do not come back from JSON",
          describe_first_difference(first, again));
    return 0;
}
