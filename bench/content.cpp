// content.cpp — builds the benchmark collections: words, lines and record trees from a seeded generator.
#include "content.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "format/constants.h"

namespace peltatxt::bench {
namespace {

constexpr std::array<std::u16string_view, 48> kAsciiWords = {
    u"meeting", u"report", u"schedule", u"invoice", u"address", u"thanks", u"regards", u"project",
    u"review",  u"draft",  u"update",   u"please",  u"confirm", u"attached", u"summary", u"agenda",
    u"client",  u"order",  u"shipping", u"delivery", u"price",  u"quote",    u"today",   u"tomorrow",
    u"Monday",  u"Friday", u"office",   u"phone",   u"email",   u"note",     u"team",    u"release",
    u"budget",  u"the",    u"a",        u"for",     u"and",     u"with",     u"on",      u"to",
    u"is",      u"of",     u"Dear",     u"Sir",     u"Madam",   u"Best",     u"Kind",    u"OK",
};

constexpr std::array<std::u16string_view, 32> kJapaneseWords = {
    u"お世話になっております", u"よろしくお願いいたします", u"会議", u"資料", u"確認", u"送付",
    u"ご連絡", u"ありがとうございます", u"本日", u"明日", u"担当", u"見積書", u"請求書", u"納品",
    u"住所", u"電話番号", u"メール", u"テキスト", u"定型文", u"挨拶", u"署名", u"株式会社",
    u"営業部", u"ご検討", u"お願い", u"申し訳ございません", u"承知しました", u"予定", u"変更",
    u"件名", u"添付", u"以上",
};

constexpr std::array<std::u16string_view, 6> kMacros = {
    u"%DATE%", u"{cursor}", u"%CLIP%", u"{tab}{enter}", u"%TIME% %USER%", u"{select:2}",
};

constexpr std::u16string_view kCrLf = u"\r\n";
constexpr std::u16string_view kTinyUnits = u"abcxyzDERSCPK0123あいうえおカキクケコ漢字";

template <class Array>
std::u16string_view pick(Rng& rng, const Array& a) {
    return a[rng.below(static_cast<uint32_t>(a.size()))];
}

// Words in one language or mixed: ASCII words are separated by blanks, Japanese ones mostly not.
std::u16string phrase(Rng& rng, uint32_t min_words, uint32_t max_words) {
    uint32_t n = min_words + rng.below(max_words - min_words + 1);
    uint32_t language = rng.below(10);  // 0-4 ASCII, 5-8 Japanese, 9 mixed
    std::u16string out;
    for (uint32_t i = 0; i < n; ++i) {
        bool japanese = language >= 5 && (language < 9 || rng.percent(50));
        if (japanese) {
            if (i > 0 && rng.percent(20)) out += u'、';
            out += pick(rng, kJapaneseWords);
        } else {
            if (i > 0) out += u' ';
            out += pick(rng, kAsciiWords);
        }
    }
    if (language >= 5 && rng.percent(40)) out += u'。';
    return out;
}

// Lines joined by CR LF, with the odd empty, indented or marker-like line that a real text holds.
std::u16string lines(Rng& rng, uint32_t min_lines, uint32_t max_lines, uint32_t marker_percent) {
    uint32_t n = min_lines + rng.below(max_lines - min_lines + 1);
    std::u16string out;
    for (uint32_t i = 0; i < n; ++i) {
        if (i > 0) out += kCrLf;
        uint32_t r = rng.below(100);
        if (r < marker_percent) {  // a reserved line start, which the writer escapes
            if (rng.percent(30)) out += rng.percent(50) ? u"\t" : u"  ";
            out += pick(rng, kMarkers);
            out += phrase(rng, 0, 3);
        } else if (r < marker_percent + 8 && i > 0) {
            // an empty line, never the first (comments and macros drop those)
        } else if (r < marker_percent + 16) {
            out += u'\t';
            out += phrase(rng, 1, 8);
        } else {
            out += phrase(rng, 1, 12);
        }
    }
    return out;
}

// Builds a realistic collection depth-first, counting the bytes it will take when written.
class Collection {
public:
    Collection(uint64_t seed, std::size_t target, const RecordSink& sink) : rng_(seed), target_(target), sink_(sink) {}

    void build() {
        while (bytes_ < target_) {
            if (rng_.percent(85))
                folder(-1, 0);
            else
                entry(-1, 0);
        }
    }

private:
    bool full() const { return bytes_ >= target_; }

    void emit(host::Record& r, std::size_t depth) {
        r.id = next_id_++;
        // Units written: the texts, a header or marker, line breaks and indentation.
        bytes_ += 2 * (r.title.size() + r.data.size() + r.macro.size() + 24 + depth);
        sink_(r);
    }

    void folder(int32_t parent, std::size_t depth) {
        host::Record f;
        f.kind = kFolderKinds[rng_.below(4)];
        f.parentId = parent;
        f.title = phrase(rng_, 1, 3);
        if (rng_.percent(30)) f.data = lines(rng_, 1, 3, 0);
        if (rng_.percent(10)) f.macro = pick(rng_, kMacros);
        emit(f, depth);
        int32_t id = f.id;
        uint32_t entries = rng_.below(depth == 0 ? 30 : 20);
        uint32_t folders = depth >= 6 ? 0 : rng_.below(depth == 0 ? 5 : 3);
        while ((entries > 0 || folders > 0) && !full()) {
            if (folders > 0 && (entries == 0 || rng_.below(entries + folders) < folders)) {
                --folders;
                folder(id, depth + 1);
            } else {
                --entries;
                entry(id, depth + 1);
            }
        }
    }

    void entry(int32_t parent, std::size_t depth) {
        if (rng_.percent(6)) kind_ = kind_ == PELTATXT_KIND_LOCKED ? PELTATXT_KIND_ONE_TIME : PELTATXT_KIND_LOCKED;
        host::Record e;
        e.kind = kind_;
        e.parentId = parent;
        if (rng_.percent(8)) e.letterCode = static_cast<int8_t>(1 + rng_.below(7));
        if (rng_.percent(10)) e.macro = rng_.percent(70) ? std::u16string(pick(rng_, kMacros)) : lines(rng_, 2, 3, 0);
        uint32_t form = rng_.below(1000);
        e.title = phrase(rng_, 1, 4);
        if (form < 350) {  // the text is the title: one bare line
            e.data = e.title;
        } else if (form < 400) {  // the title with blanks around it
            e.data = u"  " + e.title + u" ";
        } else if (form < 450) {  // the title and a line break
            e.data = e.title + std::u16string(kCrLf);
        } else if (form < 700) {  // a single line of its own
            e.data = phrase(rng_, 3, 20);
            if (rng_.percent(3)) e.data = std::u16string(pick(rng_, kMarkers)) + e.data;
        } else if (form < 998) {  // a block of lines
            e.data = lines(rng_, 2, 15, 4);
        } else {  // a block with one long line
            e.data = lines(rng_, 1, 3, 0) + std::u16string(kCrLf);
            std::u16string words = phrase(rng_, 6, 12);
            for (uint32_t n = 2000 + rng_.below(8000); e.data.size() < n;) e.data += words;
        }
        emit(e, depth);
    }

    Rng rng_;
    std::size_t target_;
    const RecordSink& sink_;
    int32_t next_id_ = 1;
    std::size_t bytes_ = 0;
    uint8_t kind_ = PELTATXT_KIND_LOCKED;
};

std::size_t scaled(double base, double scale) { return static_cast<std::size_t>(std::llround(base * scale)); }

host::Record plain_entry(int32_t id, int32_t parent, std::u16string title, std::u16string data) {
    host::Record r;
    r.id = id;
    r.parentId = parent;
    r.title = std::move(title);
    r.data = std::move(data);
    return r;
}

}  // namespace

bool parse_shape(std::string_view name, Shape& shape) {
    for (Shape s : {Shape::Realistic, Shape::BigEntry, Shape::EscapedLines, Shape::DeepNesting, Shape::BlankLines,
                    Shape::TinyEntries})
        if (shape_name(s) == name) {
            shape = s;
            return true;
        }
    return false;
}

std::string_view shape_name(Shape shape) {
    switch (shape) {
        case Shape::Realistic: return "realistic";
        case Shape::BigEntry: return "big-entry";
        case Shape::EscapedLines: return "escaped-lines";
        case Shape::DeepNesting: return "deep-nesting";
        case Shape::BlankLines: return "blank-lines";
        case Shape::TinyEntries: return "tiny-entries";
    }
    return "?";
}

void realistic_records(uint64_t seed, std::size_t target_bytes, const RecordSink& sink) {
    Collection(seed, target_bytes, sink).build();
}

void shape_records(Shape shape, double scale, uint64_t seed, const RecordSink& sink) {
    Rng rng(seed);
    switch (shape) {
        case Shape::Realistic:
            break;
        case Shape::BigEntry: {
            // 50 MB of UTF-16 is 25 million units, nearly all of them the entry's text.
            std::size_t units = scaled(25'000'000, scale);
            std::u16string text;
            text.reserve(units + 200);
            while (text.size() < units) {
                text += phrase(rng, 1, 12);
                text += kCrLf;
            }
            sink(plain_entry(1, -1, u"big", std::move(text)));
            break;
        }
        case Shape::EscapedLines: {
            std::size_t n = scaled(1'000'000, scale);
            std::u16string text;
            text.reserve(n * 20);
            for (std::size_t i = 0; i < n; ++i) {
                if (i > 0) text += kCrLf;
                text += kMarkers[i % kMarkers.size()];
                text += kTinyUnits[rng.below(static_cast<uint32_t>(kTinyUnits.size()))];
            }
            sink(plain_entry(1, -1, u"escaped", std::move(text)));
            break;
        }
        case Shape::DeepNesting: {
            std::size_t depth = scaled(2'000, scale);
            int32_t id = 1;
            for (std::size_t d = 0; d < depth; ++d) {
                host::Record f;
                f.kind = PELTATXT_KIND_FOLDER;
                f.id = id++;
                f.parentId = d == 0 ? -1 : f.id - 2;
                f.title = u"f" + std::u16string(1, kTinyUnits[d % kTinyUnits.size()]);
                sink(f);
                std::u16string t = phrase(rng, 1, 2);
                sink(plain_entry(id++, f.id, t, t));
            }
            break;
        }
        case Shape::BlankLines:
            sink(plain_entry(1, -1, u"first", u"first"));
            break;
        case Shape::TinyEntries: {
            std::size_t n = scaled(1'000'000, scale);
            for (std::size_t i = 0; i < n; ++i) {
                std::u16string t(1, kTinyUnits[rng.below(static_cast<uint32_t>(kTinyUnits.size()))]);
                sink(plain_entry(static_cast<int32_t>(i + 1), -1, t, t));
            }
            break;
        }
    }
}

std::u16string blank_lines_tail(double scale) {
    std::size_t n = scaled(1'000'000, scale);
    std::u16string tail;
    tail.reserve(2 * n + 8);
    for (std::size_t i = 0; i < n; ++i) tail += kCrLf;
    tail += u"last";
    tail += kCrLf;
    return tail;
}

}  // namespace peltatxt::bench
