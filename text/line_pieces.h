// line_pieces.h — LinePieceReader: UTF-16LE bytes from a source (memory here, a file in fs/file_source.h) as lines of at most 65,535 units, read in large blocks.
#pragma once

#include <bit>
#include <cstddef>
#include <memory>
#include <span>
#include <string_view>

namespace peltatxt {

static_assert(std::endian::native == std::endian::little, "file units are read in place as little-endian");

inline constexpr std::size_t kMaxPiece = 65535;

// Where the bytes of a document come from. LinePieceReader calls read() once per block it fills,
// never per piece.
class ByteSource {
public:
    // Copies up to bytes into buffer: how many (0 at the end), or -1 on failure.
    virtual std::ptrdiff_t read(void* buffer, std::size_t bytes) = 0;

protected:
    ~ByteSource() = default;
};

// Bytes held in memory; they must outlive the reader.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const std::byte> bytes) noexcept : rest_(bytes) {}
    std::ptrdiff_t read(void* buffer, std::size_t bytes) override;

private:
    std::span<const std::byte> rest_;
};

// Hands out the units of a source up to and including each LF, in pieces of at most kMaxPiece
// units: a longer line comes as several pieces. A leading byte-order mark FF FE is skipped; a
// last odd byte is ignored. Pieces stay valid until the next call.
class LinePieceReader {
public:
    explicit LinePieceReader(ByteSource& source);
    // False when no piece is left, or when reading failed (see failed()).
    bool next(std::u16string_view& piece);
    // True when the last piece's CR and LF units all stand in the run of them that ends it (or it
    // has none): the piece is its text and then its line break, which a reader need not search again.
    bool breaks_at_end() const noexcept { return breaks_at_end_; }
    bool failed() const noexcept { return failed_; }

private:
    bool refill();

    ByteSource& source_;
    std::unique_ptr<char16_t[]> buffer_;
    std::size_t begin_ = 0;  // next unit to hand out
    std::size_t bytes_ = 0;  // bytes held in buffer_
    bool eof_ = false;
    bool failed_ = false;
    bool breaks_at_end_ = true;
    bool started_ = false;
};

}  // namespace peltatxt
