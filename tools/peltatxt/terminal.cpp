// terminal.cpp — terminal width from COLUMNS or the terminal itself, and column counting of UTF-16 text.
#include "terminal.h"

#include <cstdlib>

#include "plugin_host.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace peltatxt::cli {
namespace {

struct Range {
    char32_t first, last;
};

// Wide (W) and full-width (F) blocks of the East Asian Width property, the common ones.
constexpr Range kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x2E80, 0x303E},   {0x3041, 0x33FF},
    {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3},
    {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},
    {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

// Combining marks and zero-width characters.
constexpr Range kZero[] = {
    {0x0300, 0x036F}, {0x200B, 0x200F}, {0x2060, 0x2064}, {0x3099, 0x309A}, {0xFE00, 0xFE0F}, {0xFEFF, 0xFEFF},
};

template <std::size_t N>
bool in(const Range (&ranges)[N], char32_t c) {
    for (const Range& r : ranges)
        if (c >= r.first && c <= r.last) return true;
    return false;
}

bool is_control(char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

// Calls f(code point, its UTF-16 units) for every code point; a lone surrogate becomes U+FFFD.
template <class F>
void for_each_code_point(std::u16string_view text, F&& f) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        std::size_t n = 1;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            n = 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        f(c, text.substr(i, n));
        i += n - 1;
    }
}

}  // namespace

std::size_t terminal_width() {
    if (const char* columns = std::getenv("COLUMNS")) {
        char* end = nullptr;
        long n = std::strtol(columns, &end, 10);
        if (end != columns && *end == '\0' && n > 0 && n < 100000) return static_cast<std::size_t>(n);
    }
#if defined(_WIN32)
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info))
        return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
#else
    struct winsize size {};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
#endif
    return 80;
}

bool output_is_terminal() {
#if defined(_WIN32)
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
#else
    return isatty(STDOUT_FILENO) == 1;
#endif
}

std::size_t column_width(char32_t c) {
    if (in(kZero, c)) return 0;
    return in(kWide, c) ? 2 : 1;
}

std::size_t text_width(std::u16string_view text) {
    std::size_t width = 0;
    for_each_code_point(text, [&](char32_t c, std::u16string_view) { width += is_control(c) ? 1 : column_width(c); });
    return width;
}

std::string printable(std::u16string_view text, std::size_t columns) {
    constexpr std::u16string_view kCut = u"...";
    bool cut = columns != 0 && text_width(text) > columns;
    std::size_t room = !cut ? 0 : columns > kCut.size() ? columns - kCut.size() : columns;
    std::u16string out;
    std::size_t width = 0;
    bool full = false;
    for_each_code_point(text, [&](char32_t c, std::u16string_view units) {
        if (full) return;
        std::size_t w = is_control(c) ? 1 : column_width(c);
        if (cut && width + w > room) {
            full = true;
            return;
        }
        width += w;
        if (c == U'\t')
            out += u' ';
        else if (is_control(c))
            out += u'?';
        else if (c == 0xFFFD && units.size() == 1)
            out += u'\uFFFD';
        else
            out.append(units);
    });
    if (cut && room != columns) out.append(kCut);
    return host::to_utf8(out);
}

}  // namespace peltatxt::cli
