// data_file.h — a data file read into records and records saved as one: the codec over the file layer.
#pragma once

#include <string_view>
#include <system_error>

#include "model/entry_list.h"

namespace peltatxt {

// Empties list, then fills it from the file at path, numbering records from the file's creation
// time in seconds. False when the file's status cannot be obtained, it cannot be opened, or
// reading it fails; the list is empty then, and ec holds the file layer's cause where it gave one
// (fs/file_system.h). Throws std::bad_alloc, the list then being empty.
bool read_file(std::u16string_view path, EntryListObject& list, std::error_code& ec);
inline bool read_file(std::u16string_view path, EntryListObject& list) {
    std::error_code ignored;
    return read_file(path, list, ignored);
}
inline bool read_file(std::u16string_view path, EntryList& list) { return read_file(path, list.object()); }

// Writes a list into the file for path (output_path, format/rules.h, which the tool applies as
// well), by the save that fs/atomic_file.h states. False, with the save's cause in ec (EINVAL for
// an empty path), when the file could not be created, written and put in place; any previous
// file there is then left as it was.
bool write_file(std::u16string_view path, const EntryListObject* list, std::error_code& ec);
inline bool write_file(std::u16string_view path, const EntryListObject* list) {
    std::error_code ignored;
    return write_file(path, list, ignored);
}

}  // namespace peltatxt
