// console.cpp — a stream buffer that writes UTF-8 to a Windows console as UTF-16 (WriteConsoleW).
#include "console.h"

#include <iostream>

#if defined(_WIN32)
#include <windows.h>

#include <algorithm>
#include <vector>
#endif

namespace peltatxt::cli {

#if defined(_WIN32)
namespace {

// How many bytes at the end of bytes[0, size) begin a UTF-8 sequence that is not complete yet
// (0 to 3): they wait for the next write, so a character split between two writes shows whole.
std::size_t incomplete_tail(const char* bytes, std::size_t size) {
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        auto c = static_cast<unsigned char>(bytes[size - back]);
        if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) { setp(bytes_, bytes_ + sizeof bytes_); }
    ~ConsoleBuffer() override { drain(true); }

protected:
    int_type overflow(int_type c) override {
        if (!drain(false)) return traits_type::eof();
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }
    int sync() override { return drain(false) ? 0 : -1; }

private:
    // Writes what the buffer holds, but for an incomplete last character unless all is set (an
    // incomplete one then shows as U+FFFD, as does any byte that is not UTF-8). False when the
    // console refuses it.
    bool drain(bool all) {
        std::size_t size = static_cast<std::size_t>(pptr() - pbase());
        std::size_t keep = all ? 0 : incomplete_tail(pbase(), size);
        bool ok = write(pbase(), size - keep);
        std::char_traits<char>::move(bytes_, pbase() + size - keep, keep);
        setp(bytes_, bytes_ + sizeof bytes_);
        pbump(static_cast<int>(keep));
        return ok;
    }
    bool write(const char* bytes, std::size_t size) {
        if (size == 0) return true;
        int n = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), nullptr, 0);
        if (n <= 0) return false;
        wide_.resize(static_cast<std::size_t>(n));
        MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), wide_.data(), n);
        for (std::size_t at = 0; at < wide_.size();) {
            DWORD written = 0;
            DWORD piece = static_cast<DWORD>(std::min<std::size_t>(wide_.size() - at, 8192));
            if (!WriteConsoleW(console_, wide_.data() + at, piece, &written, nullptr) || written == 0) return false;
            at += written;
        }
        return true;
    }

    HANDLE console_;
    char bytes_[8192];
    std::vector<wchar_t> wide_;
};

// The console behind a standard handle, or nullptr when it is a file, a pipe or nothing.
HANDLE console_of(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return nullptr;
    return handle;
}

}  // namespace

ConsoleStreams::ConsoleStreams() {
    if (HANDLE console = console_of(STD_OUTPUT_HANDLE)) {
        out_ = std::make_unique<ConsoleBuffer>(console);
        saved_out_ = std::cout.rdbuf(out_.get());
    }
    if (HANDLE console = console_of(STD_ERROR_HANDLE)) {
        err_ = std::make_unique<ConsoleBuffer>(console);
        saved_err_ = std::cerr.rdbuf(err_.get());
    }
}

#else

ConsoleStreams::ConsoleStreams() = default;

#endif

ConsoleStreams::~ConsoleStreams() {
    // The streams' own buffers first; the console's then write what they still hold as they go.
    if (saved_out_) std::cout.rdbuf(saved_out_);
    if (saved_err_) std::cerr.rdbuf(saved_err_);
}

}  // namespace peltatxt::cli
