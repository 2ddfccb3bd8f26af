// data_file.cpp — read_file and write_file: the file's source or save, the codec in between.
#include "data_file.h"

#include <cstdint>

#include "format/reader.h"
#include "format/rules.h"
#include "format/writer.h"
#include "fs/file_sink.h"
#include "fs/file_source.h"
#include "fs/file_system.h"

namespace peltatxt {

bool read_file(std::u16string_view path, EntryListObject& list, std::error_code& ec) {
    entry_list::clear(list);
    int64_t seconds = 0;
    if (!fs::creation_seconds(path, seconds, ec)) return false;
    fs::File file;
    if (!fs::open_for_import(path, file, ec)) return false;
    fs::FileSource source(file);
    // Records are numbered from the low 32 bits of the creation time.
    if (read_source(source, list, static_cast<uint32_t>(seconds))) return true;
    ec = file.error();  // the source fails only where the file does
    return false;
}

bool write_file(std::u16string_view path, const EntryListObject* list, std::error_code& ec) {
    // An empty path names no file: there is nothing to derive a name from.
    if (path.empty()) {
        ec = std::make_error_code(std::errc::invalid_argument);
        return false;
    }
    return fs::save_file(output_path(path), [list](ByteSink& sink) { return write_list(list, sink); }, ec);
}

}  // namespace peltatxt
