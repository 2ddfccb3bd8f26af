// line_pieces.cpp — block reads into one buffer and a scan for LF over it; no per-unit I/O.
#include "line_pieces.h"

#include <cstring>

#include "unicode_text.h"

namespace peltatxt {
namespace {
constexpr std::size_t kBufferUnits = 1u << 19;  // 1 MiB, many pieces per read
static_assert(kBufferUnits >= 2 * kMaxPiece);
}  // namespace

std::ptrdiff_t MemorySource::read(void* buffer, std::size_t bytes) {
    std::size_t n = bytes < rest_.size() ? bytes : rest_.size();
    if (n > 0) std::memcpy(buffer, rest_.data(), n);
    rest_ = rest_.subspan(n);
    return static_cast<std::ptrdiff_t>(n);
}

LinePieceReader::LinePieceReader(ByteSource& source) : source_(source), buffer_(new char16_t[kBufferUnits]) {}

bool LinePieceReader::refill() {
    // Move what is left (possibly with a dangling odd byte) to the front, then fill the rest.
    auto* bytes = reinterpret_cast<unsigned char*>(buffer_.get());
    std::size_t used = begin_ * 2;
    std::size_t left = bytes_ - used;
    if (used > 0 && left > 0) std::memmove(bytes, bytes + used, left);
    begin_ = 0;
    bytes_ = left;
    while (!eof_ && bytes_ < kBufferUnits * 2) {
        std::ptrdiff_t n = source_.read(bytes + bytes_, kBufferUnits * 2 - bytes_);
        if (n < 0) {
            failed_ = true;
            eof_ = true;
            return false;
        }
        if (n == 0) eof_ = true;
        bytes_ += static_cast<std::size_t>(n);
        if (!started_ && bytes_ >= 2) break;  // learn about the byte-order mark first
    }
    if (!started_) {
        started_ = true;
        if (bytes_ >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) begin_ = 1;
    }
    return true;
}

bool LinePieceReader::next(std::u16string_view& piece) {
    if (failed_) return false;
    for (;;) {
        std::size_t units = bytes_ / 2;
        std::size_t avail = units - begin_;
        const char16_t* start = buffer_.get() + begin_;
        std::size_t span = avail < kMaxPiece ? avail : kMaxPiece;
        const std::u16string_view window(start, span);
        // One scan for CR or LF finds the LF of a line that ends in LF or CR LF and has no other
        // break: most lines. Only a line with a CR elsewhere is searched on for its LF.
        std::size_t lf = find_line_break(window);
        breaks_at_end_ = true;
        if (lf != std::u16string_view::npos && start[lf] == u'\r') {
            if (lf + 1 < span && start[lf + 1] == u'\n') {
                ++lf;
            } else {
                breaks_at_end_ = false;
                lf = find_unit(window, u'\n', lf + 1);
            }
        }
        if (lf != std::u16string_view::npos) {
            std::size_t n = lf + 1;
            piece = {start, n};
            begin_ += n;
            return true;
        }
        if (avail >= kMaxPiece || (eof_ && started_)) {
            if (avail == 0) return false;
            piece = {start, span};
            begin_ += span;
            return true;
        }
        if (!refill()) return false;
    }
}

}  // namespace peltatxt
