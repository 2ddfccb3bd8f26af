// records.h — the one record value type of the tests (the host's), its builders and its readable form.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "plugin_host.h"

namespace peltatxt::testing {

// A record as plain values, for building lists and comparing what comes back.
using Rec = host::Record;

Rec rec(uint8_t kind, int32_t id, int32_t parent, std::u16string title, std::u16string data = u"",
        std::u16string macro = u"", int8_t code = 0);
Rec folder(int32_t id, int32_t parent, std::u16string title, uint8_t kind = PELTATXT_KIND_FOLDER);
Rec entry(int32_t id, int32_t parent, std::u16string title, std::u16string data, uint8_t kind = PELTATXT_KIND_LOCKED);

// Whether b holds what a holds: kind, letter code, title, text and macro (ids, parents and the
// host's fields aside), as a record that came back from a file must.
bool same_content(const Rec& a, const Rec& b);

// Every record of a list in the shared layout, owned by anyone.
using host::records_of;

// Readable form of text and of a record for failure messages: CR, LF and TAB as \r \n \t, other
// units outside printable ASCII as \uXXXX.
std::string narrow(std::u16string_view s);
std::string describe(const Rec& r);

}  // namespace peltatxt::testing

namespace peltatxt::host {
// How GoogleTest prints a record (found by argument-dependent lookup).
inline void PrintTo(const Record& r, std::ostream* os) { *os << testing::describe(r); }
}  // namespace peltatxt::host
