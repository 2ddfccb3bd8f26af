// file_source.h — FileSource: the bytes of an open file as a LinePieceReader's source.
#pragma once

#include <cstddef>

#include "file_system.h"
#include "text/line_pieces.h"

namespace peltatxt::fs {

// The bytes of an open file, from where it stands.
class FileSource final : public ByteSource {
public:
    explicit FileSource(File& file) noexcept : file_(file) {}
    std::ptrdiff_t read(void* buffer, std::size_t bytes) override { return file_.read(buffer, bytes); }

private:
    File& file_;
};

}  // namespace peltatxt::fs
