// line_pieces.h — LinePieceReader: a UTF-16LE file as lines of at most 65,535 units, read in large blocks.
#pragma once

#include <bit>
#include <cstddef>
#include <memory>
#include <string_view>

#include "file_system.h"

namespace peltatxt {

static_assert(std::endian::native == std::endian::little, "file units are read in place as little-endian");

inline constexpr std::size_t kMaxPiece = 65535;

// Hands out the units of a file up to and including each LF, in pieces of at most kMaxPiece
// units: a longer line comes as several pieces. A leading byte-order mark FF FE is skipped; a
// last odd byte is ignored. Pieces stay valid until the next call.
class LinePieceReader {
public:
    explicit LinePieceReader(fs::File& file);
    // False when no piece is left, or when reading failed (see failed()).
    bool next(std::u16string_view& piece);
    bool failed() const noexcept { return failed_; }

private:
    bool refill();

    fs::File& file_;
    std::unique_ptr<char16_t[]> buffer_;
    std::size_t begin_ = 0;  // next unit to hand out
    std::size_t bytes_ = 0;  // bytes held in buffer_
    bool eof_ = false;
    bool failed_ = false;
    bool started_ = false;
};

}  // namespace peltatxt
