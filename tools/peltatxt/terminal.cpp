// terminal.cpp — terminal width from COLUMNS or the terminal itself, and column counting of UTF-16 text from the Unicode data.
#include "terminal.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "plugin_host.h"
#include "text/utf8.h"
#include "unicode_width_table.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace peltatxt::cli {
namespace {

using unicode_data::Range;

// The ranges of a generated table, sorted and merged once, for binary search.
class RangeSet {
public:
    template <std::size_t N>
    explicit RangeSet(const Range (&ranges)[N]) : ranges_(ranges, ranges + N) {
        std::sort(ranges_.begin(), ranges_.end(), [](Range a, Range b) { return a.first < b.first; });
        std::vector<Range> merged;
        for (Range r : ranges_) {
            if (!merged.empty() && r.first <= merged.back().last + 1)
                merged.back().last = std::max(merged.back().last, r.last);
            else
                merged.push_back(r);
        }
        ranges_ = std::move(merged);
    }
    bool contains(char32_t c) const {
        auto it = std::upper_bound(ranges_.begin(), ranges_.end(), c, [](char32_t v, Range r) { return v < r.first; });
        return it != ranges_.begin() && c <= std::prev(it)->last;
    }

private:
    std::vector<Range> ranges_;
};

const RangeSet& wide() {
    static const RangeSet set(unicode_data::kWide);
    return set;
}
const RangeSet& zero() {
    static const RangeSet set(unicode_data::kZero);
    return set;
}
const RangeSet& emoji_modifier() {
    static const RangeSet set(unicode_data::kEmojiModifier);
    return set;
}
const RangeSet& pictographic() {
    static const RangeSet set(unicode_data::kPictographic);
    return set;
}
const RangeSet& emoji_style_base() {
    static const RangeSet set(unicode_data::kEmojiStyleBase);
    return set;
}

constexpr char32_t kZeroWidthJoiner = 0x200D, kEmojiSelector = 0xFE0F;
bool is_regional_indicator(char32_t c) { return c >= 0x1F1E6 && c <= 0x1F1FF; }

bool is_control(char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

// Calls f(code point, its UTF-16 units) for every code point; a lone surrogate becomes U+FFFD.
template <class F>
void for_each_code_point(std::u16string_view text, F&& f) {
    for (CodePoint point : CodePoints(text))
        f(point.lone ? char32_t{0xFFFD} : point.value, text.substr(point.at, point.units));
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
    if (zero().contains(c)) return 0;
    return wide().contains(c) ? 2 : 1;
}

namespace {

// Counts the columns of code points in order, an emoji sequence as the one glyph a terminal
// draws: a skin tone or a joined emoji after an emoji adds nothing, U+FE0F makes a narrow emoji
// wide, and two regional indicators make one flag.
class ColumnCounter {
public:
    std::size_t add(char32_t c) {
        std::size_t w = is_control(c) ? 1 : column_width(c);
        bool picture = pictographic().contains(c), modifier = emoji_modifier().contains(c);
        if (after_joiner_ && picture)
            w = 0;
        else if (modifier && in_emoji_)
            w = 0;
        else if (c == kEmojiSelector)
            w = previous_width_ == 1 && emoji_style_base().contains(previous_) ? 1 : 0;
        else if (is_regional_indicator(c) && open_flag_)
            w = 0;
        after_joiner_ = c == kZeroWidthJoiner && in_emoji_;
        in_emoji_ = picture || (in_emoji_ && (modifier || c == kEmojiSelector || c == kZeroWidthJoiner));
        open_flag_ = is_regional_indicator(c) && !open_flag_;
        previous_ = c;
        previous_width_ = w;
        return w;
    }

private:
    char32_t previous_ = 0;
    std::size_t previous_width_ = 0;
    bool in_emoji_ = false;      // the glyph so far is an emoji that a skin tone or joiner extends
    bool after_joiner_ = false;  // a zero width joiner follows such an emoji
    bool open_flag_ = false;     // a regional indicator waits for its partner
};

}  // namespace

std::size_t text_width(std::u16string_view text) {
    std::size_t width = 0;
    ColumnCounter counter;
    for_each_code_point(text, [&](char32_t c, std::u16string_view) { width += counter.add(c); });
    return width;
}

std::string printable(std::u16string_view text, std::size_t columns) {
    constexpr std::u16string_view kCut = u"...";
    bool cut = columns != 0 && text_width(text) > columns;
    std::size_t room = !cut ? 0 : columns > kCut.size() ? columns - kCut.size() : columns;
    std::u16string out;
    std::size_t width = 0;
    ColumnCounter counter;
    bool full = false;
    for_each_code_point(text, [&](char32_t c, std::u16string_view units) {
        if (full) return;
        std::size_t w = counter.add(c);
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
    return host::utf8_replacing(out);
}

}  // namespace peltatxt::cli
