// exports.cpp — the eight exported functions and the lifetime of the result list they hand out.
#include <cerrno>
#include <cstring>
#include <system_error>

#include "datafile/data_file.h"
#include "model/entry_list.h"
#include "model/shared_string.h"
#include <peltatxt.h>
#include "fs/file_system.h"

using namespace peltatxt;

namespace {

// The one list readDataFile hands out: made by the first import, emptied and refilled by each one
// after it (emptied by a failed one), freed by endDLL.
EntryListObject* result_list = nullptr;

constexpr Text kFormatName = u"Unicode\u30C6\u30AD\u30B9\u30C8";
constexpr Text kFilePattern = u"*";

// Writes at most capacity bytes, so a capacity in bytes and one in units are both safe.
void copy_name(Text name, peltatxt_unit* buffer, uint32_t capacity) noexcept {
    if (!buffer || capacity < 4) return;
    std::size_t room = capacity / sizeof(peltatxt_unit) - 1;
    std::size_t n = name.size() < room ? name.size() : room;
    std::memcpy(buffer, name.data(), n * sizeof(peltatxt_unit));
    buffer[n] = 0;
}

}  // namespace

extern "C" {

PELTATXT_API void PELTATXT_CALL initDLL(void) { result_list = nullptr; }

PELTATXT_API void PELTATXT_CALL endDLL(void) {
    entry_list::destroy(result_list);
    result_list = nullptr;
}

PELTATXT_API uint8_t PELTATXT_CALL isUnicode(void) { return 1; }

PELTATXT_API void PELTATXT_CALL getFormatName(peltatxt_unit* buffer, uint32_t capacity) {
    copy_name(kFormatName, buffer, capacity);
}

PELTATXT_API void PELTATXT_CALL getExtension(peltatxt_unit* buffer, uint32_t capacity) {
    copy_name(kFilePattern, buffer, capacity);
}

PELTATXT_API EntryListObject* PELTATXT_CALL readDataFile(peltatxt_unit* path) {
    SharedString own_path = SharedString::adopt(path);
    try {
        if (!result_list) result_list = entry_list::make();
        std::error_code cause;
        if (read_file(own_path.view(), *result_list, cause)) return result_list;
        fs::set_system_error(cause, EIO);
        return nullptr;
    } catch (...) {
        fs::set_system_error({}, ENOMEM);
        return nullptr;  // the list is empty again, or was never made
    }
}

PELTATXT_API uint8_t PELTATXT_CALL writeDataFile(peltatxt_unit* path, const EntryListObject* list) {
    SharedString own_path = SharedString::adopt(path);
    try {
        std::error_code cause;
        if (write_file(own_path.view(), list, cause)) return 1;
        fs::set_system_error(cause, EIO);
        return 0;
    } catch (...) {
        fs::set_system_error({}, ENOMEM);
        return 0;
    }
}

PELTATXT_API uint8_t PELTATXT_CALL convertMacro(void) { return 0; }

}  // extern "C"
