// round_trip.h — compares the records exported with the records read back, field by field.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "host_io.h"

namespace peltatxt::cli {

// One way in which a record did not come back.
struct Finding {
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t before = kNone;  // position in the exported list; kNone: a record that only came back
    std::size_t after = kNone;   // position in the list read back; kNone: the record did not come back
    std::string
        field;  // "kind", "letterCode", "title", "text", "comment", "macro" or "nesting"; empty for a whole record
    std::string reason;  // what differs, and why when the cause is known
};

// Pairs the records of both lists in order, allowing for records that were lost or added, and
// compares each pair's kind, letter code, title, text (a folder's comment), macro and nesting.
// Nesting is compared by position: the folder a record is in must be the one paired with its
// folder. Ids and the host's auxA and auxB are not compared: they are renumbered and zeroed.
std::vector<Finding> compare_round_trip(const Records& before, const Records& after);

// For each finding, one line naming its record (position, title and folders) and what differs.
std::vector<std::string> describe(const std::vector<Finding>& findings, const Records& before, const Records& after);

// What check says of the collection named name, exported (before) and read back (after): one
// line when every record came back identical, else how many did not and a line per finding.
struct CheckReport {
    bool identical;
    std::string text;
};
CheckReport check_report(const std::string& name, const Records& before, const Records& after);

}  // namespace peltatxt::cli
