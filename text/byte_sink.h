// byte_sink.h — where written bytes go (ByteSink, MemorySink), and BufferedSink: UTF-16 units collected into large blocks for a sink.
#pragma once

#include <bit>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace peltatxt {

static_assert(std::endian::native == std::endian::little, "units are written from memory as little-endian");

// Where the bytes of a document go. BufferedSink calls write() once per block it fills, never
// per piece.
class ByteSink {
public:
    // Takes count bytes (count > 0); false when the sink failed, now or before.
    virtual bool write(const void* bytes, std::size_t count) = 0;

protected:
    ~ByteSink() = default;
};

// Bytes appended to a string in memory. Throws std::bad_alloc.
class MemorySink final : public ByteSink {
public:
    explicit MemorySink(std::string& bytes) noexcept : bytes_(bytes) {}
    bool write(const void* bytes, std::size_t count) override;

private:
    std::string& bytes_;
};

// Collects UTF-16 units in a buffer and writes them to a sink as UTF-16LE bytes a full buffer at
// a time, so that the sink sees few large writes however small the pieces put are. A view longer
// than the buffer goes to the sink from where it is, a buffer's length per write.
class BufferedSink {
public:
    static constexpr std::size_t kUnits = 1u << 18;  // written out in blocks of about 512 KiB
    // put_prefix copies this many units at a time for a short prefix.
    static constexpr std::size_t kShortRun = 16;

    explicit BufferedSink(ByteSink& sink) : sink_(sink), buffer_(new char16_t[kUnits]) {}

    void put(std::u16string_view s) {
        if (s.empty()) return;  // an empty view may have no units at all to copy from
        if (s.size() > kUnits - used_) return put_past_buffer(s);
        std::memcpy(buffer_.get() + used_, s.data(), s.size() * sizeof(char16_t));
        used_ += s.size();
    }
    // The first n units of run, which holds at least kShortRun units. A short prefix is copied as
    // a fixed kShortRun units, of which only n count: no copy of a varying length, whose size the
    // processor would have to guess.
    void put_prefix(std::u16string_view run, std::size_t n) {
        if (n > kShortRun || kUnits - used_ < kShortRun) return put(run.substr(0, n));
        std::memcpy(buffer_.get() + used_, run.data(), kShortRun * sizeof(char16_t));
        used_ += n;
    }
    // Writes the units put so far to the sink.
    void flush();
    // True once a write to the sink failed.
    bool failed() const noexcept { return failed_; }

private:
    void put_past_buffer(std::u16string_view s);
    void write_units(const char16_t* units, std::size_t count);

    ByteSink& sink_;
    std::unique_ptr<char16_t[]> buffer_;
    std::size_t used_ = 0;  // units of buffer_ not yet written
    bool failed_ = false;
};

}  // namespace peltatxt
