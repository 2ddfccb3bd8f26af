// file_sink.h — the file end of a writer: FileSink, the bytes of a save (AtomicFile), and save_file, which opens, fills and commits one.
#pragma once

#include <cstddef>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <utility>

#include "text/byte_sink.h"

namespace peltatxt::fs {

class AtomicFile;

// The bytes written to it go to an open save, as AtomicFile::write_bytes takes them.
class FileSink final : public ByteSink {
public:
    explicit FileSink(AtomicFile& file) noexcept : file_(file) {}
    bool write(const void* bytes, std::size_t count) override;

private:
    AtomicFile& file_;
};

namespace detail {
bool save_file(std::u16string_view path, bool (*fill)(void* content, ByteSink& sink), void* content,
               std::error_code& ec);
}

// Saves the file at path (AtomicFile, whose save atomic_file.h states) with the bytes fill(sink)
// writes into the sink it is given. False, with the save's cause in ec (none when fill gave up by
// itself), when the file cannot be created, fill returns false (it gave up, or the sink failed),
// or the file cannot be put in place; any previous file there is then left as it was.
template <class Fill>
bool save_file(std::u16string_view path, Fill&& fill, std::error_code& ec) {
    using F = std::remove_reference_t<Fill>;
    return detail::save_file(
        path, [](void* f, ByteSink& sink) -> bool { return (*static_cast<F*>(f))(sink); }, &fill, ec);
}
template <class Fill>
bool save_file(std::u16string_view path, Fill&& fill) {
    std::error_code ignored;
    return save_file(path, std::forward<Fill>(fill), ignored);
}

}  // namespace peltatxt::fs
