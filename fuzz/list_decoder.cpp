// list_decoder.cpp — the byte grammar behind decode_list.
#include "list_decoder.h"

#include <array>
#include <string_view>

#include "format/constants.h"

namespace peltatxt::fuzz {
namespace {

// Lone surrogates cannot be written as universal character names.
constexpr char16_t kLoneHigh[] = {0xD800};
constexpr char16_t kLoneLow[] = {0xDC00};

// Every marker first (token bytes 0..13), then the pieces they are made of and other units the
// format reacts to.
constexpr std::array<std::u16string_view, 34> kOtherFragments = {
    kMarkerPrefix, u"|_", u"|", u"_", u"H|", u"O|", u"H", u"O", u"D|", u"D", u"K|",
    u"\r\n", u"\r", u"\n", u" ", u"\t", u"\u3000", u"\u00A0", u"\u2028", u"a", u"abc",
    u"Hello", u"\u30C6\u30AD\u30B9\u30C8", std::u16string_view(u"\0", 1),
    u"\uFFFF", std::u16string_view(kLoneHigh, 1), std::u16string_view(kLoneLow, 1), u"\uFEFF", u"\U0001F600",
    u"-", u"1", u"\r\n\r\n", u"  ", u"x",
};
constexpr auto kFragments = [] {
    std::array<std::u16string_view, kMarkers.size() + kOtherFragments.size()> all{};
    std::size_t n = 0;
    for (std::u16string_view m : kMarkers) all[n++] = m;
    for (std::u16string_view f : kOtherFragments) all[n++] = f;
    return all;
}();
static_assert(kFragments.size() == 48, "the token bytes of the checked-in corpus pick these fragments");

// Kinds a host may hand over: mostly those the format keeps, some it does not.
constexpr std::array<uint8_t, 16> kEntryKindBytes = {1, 2, 1, 2, 1, 2, 1, 2, 1, 2, 0, 3, 0x21, 0x41, 0x80, 0xE3};
constexpr std::array<uint8_t, 8> kFolderKindBytes = {
    kFolderKinds[0], kFolderKinds[1], kFolderKinds[2], kFolderKinds[3], 0x0C, 0x1C, 0x24, 0xFF};
constexpr std::array<int8_t, 16> kLetterCodes = {0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, -1, -128};

class Bytes {
public:
    Bytes(const uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
    bool empty() const { return p_ == end_; }
    uint8_t next() { return p_ == end_ ? 0 : *p_++; }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

std::u16string decode_string(Bytes& in) {
    std::u16string s;
    for (unsigned n = in.next(); n > 0 && !in.empty(); --n) {
        uint8_t t = in.next();
        if (t < kFragments.size()) {
            s += kFragments[t];
        } else if (t < 0xF0) {
            s += static_cast<char16_t>(0x20 + (t - kFragments.size()) % 0x5F);  // printable ASCII
        } else {
            uint8_t lo = in.next();
            s += static_cast<char16_t>(lo | (in.next() << 8));
        }
    }
    return s;
}

}  // namespace

std::vector<host::Record> decode_list(const uint8_t* data, std::size_t size) {
    Bytes in(data, size);
    std::vector<host::Record> out;
    std::vector<int32_t> open;  // ids of the folders open at this point, outermost first
    std::vector<int32_t> closed;
    while (!in.empty()) {
        host::Record r;
        uint8_t k = in.next();
        bool folder = k >= 0xC0;
        r.kind = folder ? kFolderKindBytes[k % kFolderKindBytes.size()] : kEntryKindBytes[k % kEntryKindBytes.size()];
        r.letterCode = kLetterCodes[in.next() % kLetterCodes.size()];
        r.id = 100 + static_cast<int32_t>(out.size());
        uint8_t p = in.next();
        if (p == 0xFF) {
            r.parentId = -7;  // names nothing
            open.clear();
        } else if (p == 0xFE && !closed.empty()) {
            r.parentId = closed.back();  // a folder already closed: names no open folder
            open.clear();
        } else {
            std::size_t keep = p % (open.size() + 1);  // how many open folders stay open
            while (open.size() > keep) {
                closed.push_back(open.back());
                open.pop_back();
            }
            r.parentId = open.empty() ? -1 : open.back();
        }
        r.auxA = static_cast<int32_t>(k) * 3;  // the host's own fields: never written
        r.auxB = -1;
        r.title = decode_string(in);
        r.data = decode_string(in);
        r.macro = decode_string(in);
        if (folder) open.push_back(r.id);
        out.push_back(std::move(r));
    }
    return out;
}

}  // namespace peltatxt::fuzz
