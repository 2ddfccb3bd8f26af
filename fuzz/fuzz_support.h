// fuzz_support.h — what the fuzz targets share: a scratch directory, files as bytes, and a hard check.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/files.h"
#include "support/records.h"

namespace peltatxt::fuzz {

// A directory of this process for the files a target writes: under /dev/shm when that exists
// (memory-backed, so the many small writes cost little), otherwise under the system's temporary
// directory. Created on first use and removed with its contents when the process exits.
const std::string& scratch_dir();

// The input's bytes as a file; a failure to write it is a failed check.
void write_file_bytes(const std::string& path, const uint8_t* data, std::size_t size);
using testing::read_bytes;

// UTF-8 path as the UTF-16 text the codec takes (paths here are ASCII).
std::u16string wide(std::string_view ascii);

// Prints what failed and aborts, which is how libFuzzer and the replay learn of a finding.
[[noreturn]] void fail(const char* what, const std::string& detail = {});
inline void check(bool ok, const char* what, const std::string& detail = {}) {
    if (!ok) fail(what, detail);
}

// Readable form of UTF-16 text and of records for failure messages (the tests' own).
inline std::string show(std::u16string_view s) { return testing::narrow(s); }
using testing::describe;

}  // namespace peltatxt::fuzz
