// file_sink.cpp — a save with a sink: open, fill, commit; on any failure the save is abandoned and the previous file stays.
#include "file_sink.h"

#include "atomic_file.h"

namespace peltatxt::fs {

bool FileSink::write(const void* bytes, std::size_t count) { return file_.write_bytes(bytes, count); }

bool detail::save_file(std::u16string_view path, bool (*fill)(void* content, ByteSink& sink), void* content) {
    AtomicFile file;
    if (!file.open(path)) return false;
    FileSink sink(file);
    if (!fill(content, sink)) return false;  // the destructor removes the temporary file
    return file.commit();
}

}  // namespace peltatxt::fs
