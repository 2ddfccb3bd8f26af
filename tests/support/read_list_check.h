// read_list_check.h — what every list an import gives must be, whatever the file held; for tests and fuzz targets alike.
#pragma once

#include <cstddef>
#include <string>

#include <peltatxt.h>

namespace peltatxt::testing {

// The first way a list that readDataFile gave breaks the rules every read list keeps, or "" when
// it keeps them all:
// - every string handle is set, zero-terminated at its length, within its capacity and referenced;
// - the host fields auxA and auxB are zero;
// - a folder has a folder kind the reader makes, letter code 0 and a title;
// - an entry has an entry kind the reader makes, a letter code 0..7 and something in it (title,
//   text or macro);
// - ids are unique and increase by at least one per record, wrapping like the 32-bit counter
//   they come from;
// - a record's parent is none, or a folder still open at that point: the records come in file
//   order, so naming a folder closes every folder opened inside it;
// - the list's count is its number of records.
// With units (the file's code units), ids also step by at most units + 1 and there are at most
// units + 1 records, as each record takes a line.
inline constexpr std::size_t kAnyUnits = static_cast<std::size_t>(-1);
std::string read_list_problem(const EntryListObject* list, std::size_t units = kAnyUnits);

}  // namespace peltatxt::testing
