// file_sink.cpp — a save with a sink: open, fill, commit; on any failure the save is abandoned and the previous file stays.
#include "file_sink.h"

#include "atomic_file.h"

namespace peltatxt::fs {

bool FileSink::write(const void* bytes, std::size_t count) { return file_.write_bytes(bytes, count); }

bool detail::save_file(std::u16string_view path, bool (*fill)(void* content, ByteSink& sink), void* content,
                       std::error_code& ec) {
    AtomicFile file;
    FileSink sink(file);
    // After a failure the destructor removes the temporary file.
    if (file.open(path) && fill(content, sink) && file.commit()) return true;
    ec = file.error();
    return false;
}

}  // namespace peltatxt::fs
