// read_list_check.cpp — the checks of a read list, over the shared layout only (no codec).
#include "support/read_list_check.h"

#include <cstdint>
#include <set>
#include <vector>

#include "format/constants.h"
#include "support/records.h"

namespace peltatxt::testing {
namespace {

const char* string_problem(const peltatxt_unit* handle) {
    if (!handle) return "a record string is null";
    const auto* h = reinterpret_cast<const PeltaStringHeader*>(handle) - 1;
    if (h->length < 0 || h->length > h->capacity) return "a string header is inconsistent";
    if (handle[h->length] != 0) return "a string is not zero-terminated at its length";
    if (h->refs == 0) return "a string has no reference";
    return nullptr;
}

bool empty(const peltatxt_unit* handle) { return (reinterpret_cast<const PeltaStringHeader*>(handle) - 1)->length == 0; }

bool contains(const auto& kinds, uint8_t kind) {
    for (uint8_t k : kinds)
        if (k == kind) return true;
    return false;
}

const char* record_problem(const EntryRecord& r) {
    for (const peltatxt_unit* s : {r.title, r.data, r.macro})
        if (const char* why = string_problem(s)) return why;
    if (r.auxA != 0 || r.auxB != 0) return "a record read has non-zero host fields";
    if (!is_read_kind(r.kind)) return "a record has a kind the reader never makes";
    if (is_folder(r.kind)) {
        if (!contains(kFolderKinds, r.kind)) return "a folder has a kind the reader never makes";
        if (r.letterCode != 0) return "a folder has a letter code";
        if (empty(r.title)) return "a folder has an empty title";
    } else {
        if (!contains(kEntryKinds, r.kind)) return "an entry has a kind the reader never makes";
        if (r.letterCode != 0 && !has_letter_code(r.letterCode)) return "an entry has a letter code out of range";
        if (empty(r.title) && empty(r.data) && empty(r.macro)) return "an entry with nothing in it was appended";
    }
    return nullptr;
}

}  // namespace

std::string read_list_problem(const EntryListObject* list, std::size_t units) {
    if (!list) return "no list";
    if (!list->sentinel) return "the list has no sentinel";
    std::vector<int32_t> open;  // the folders open at this point, outermost first
    std::set<int32_t> ids;
    std::size_t n = 0;
    int32_t last_id = 0;
    const EntryNode* sentinel = list->sentinel;
    for (const EntryNode* node = sentinel->next; node != sentinel; node = node->next, ++n) {
        if (!node) return "the list's links end before its sentinel";
        const EntryRecord& r = node->record;
        auto problem = [&](const char* why) {
            std::string out = why;
            out += " (record ";
            out += std::to_string(n);
            if (!string_problem(r.title) && !string_problem(r.data) && !string_problem(r.macro)) {
                out += ' ';
                out += describe(records_of(list).at(n));
            }
            out += ')';
            return out;
        };
        if (const char* why = record_problem(r)) return problem(why);
        if (n > 0) {
            uint32_t step = static_cast<uint32_t>(r.id) - static_cast<uint32_t>(last_id);
            if (step < 1 || (units != kAnyUnits && step > units + 1)) return problem("ids do not increase");
        }
        if (!ids.insert(r.id).second) return problem("an id repeats");
        if (r.parentId == -1) {
            open.clear();
        } else {
            while (!open.empty() && open.back() != r.parentId) open.pop_back();
            if (open.empty()) return problem("a record's parent is no open folder");
        }
        if (is_folder(r.kind)) open.push_back(r.id);
        last_id = r.id;
        if (units != kAnyUnits && n + 1 > units + 1) return problem("more records than lines");
    }
    if (n != list->count) return "the list's count differs from its records";
    return "";
}

}  // namespace peltatxt::testing
