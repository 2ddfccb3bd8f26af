// literal_reader.cpp — the plain statement of the import rules: pieces, classification, headers and the per-line steps.
#include "literal_reader.h"

namespace peltatxt::literal {
namespace {

using testing::Rec;
using String = std::u16string;

const String kEscape = u"_|PELTATXT-ESC|_";
// The markers in the order lines are tested against them, ESC apart.
const String kMarkers[] = {u"_|PELTATXT-CMT|_", u"_|PELTATXT-FCM|_", u"_|PELTATXT-MAC|_", u"_|PELTATXT-1TM|_",
                           u"_|PELTATXT-LCK|_", u"_|PELTATXT-NTR|_", u"_|PELTATXT-DNL|_", u"_|PELTATXT-TRM|_",
                           u"_|PELTATXT-FLD|",  u"_|PELTATXT-FED|_", u"_|PELTATXT-DAT|",  u"_|PELTATXT-SDT|",
                           u"_|PELTATXT-DED|_"};
const String kLetterCodes[] = {u"D|", u"E|", u"R|", u"S|", u"C|", u"P|", u"K|"};
const String kCrLf = u"\r\n";
constexpr std::size_t kPiece = 65535;
constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// Whitespace: TAB, LF, VT, FF, CR and SPACE below U+0100; above, the Unicode White_Space characters.
bool is_white(char16_t c) {
    if (c == 0x09 || c == 0x0A || c == 0x0B || c == 0x0C || c == 0x0D || c == 0x20) return true;
    if (c == 0x1680 || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000) return true;
    return c >= 0x2000 && c <= 0x200A;
}

String remove_leading_white(const String& s) {
    std::size_t i = 0;
    while (i < s.size() && is_white(s[i])) i = i + 1;
    return s.substr(i);
}

String remove_trailing_white(const String& s) {
    std::size_t n = s.size();
    while (n > 0 && is_white(s[n - 1])) n = n - 1;
    return s.substr(0, n);
}

String remove_cr_lf(const String& s) {
    String out;
    for (char16_t c : s)
        if (c != u'\r' && c != u'\n') out += c;
    return out;
}

bool begins_with(const String& s, const String& prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (s[i] != prefix[i]) return false;
    return true;
}

// The first position at or after from where needle occurs, or kNotFound.
std::size_t find(const String& s, const String& needle, std::size_t from) {
    for (std::size_t i = from; i + needle.size() <= s.size(); ++i)
        if (s.compare(i, needle.size(), needle) == 0) return i;
    return kNotFound;
}

bool ends_with_cr_lf(const String& s) { return s.size() >= 2 && s.substr(s.size() - 2) == kCrLf; }

String decimal(int32_t n) {
    String out;
    for (char c : std::to_string(n)) out += static_cast<char16_t>(c);
    return out;
}

// The file's units: two bytes each, low byte first, after a byte-order mark FF FE if there is
// one; an odd last byte is ignored.
String units_of(std::string_view bytes) {
    std::size_t start = 0;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE)
        start = 2;
    String out;
    for (std::size_t i = start; i + 1 < bytes.size(); i += 2)
        out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    return out;
}

// Line pieces: units up to and including an LF, or 65,535 units, whichever comes first.
std::vector<String> pieces_of(const String& units) {
    std::vector<String> out;
    String piece;
    for (char16_t c : units) {
        piece += c;
        if (c == u'\n' || piece.size() == kPiece) {
            out.push_back(piece);
            piece.clear();
        }
    }
    if (!piece.empty()) out.push_back(piece);
    return out;
}

struct Line {
    Class cls = Class::Text;
    String copy;  // the classification copy
    String raw;   // the text for data purposes
    // For a marker line, where each unit of the copy stands in the line.
    std::vector<std::size_t> origin;
};

Line classify(const String& line) {
    Line out;
    String copy = remove_leading_white(line);
    std::size_t lead = line.size() - copy.size();
    if (begins_with(copy, kEscape)) {
        out.cls = Class::Escaped;
        out.raw = copy.substr(kEscape.size());
        out.copy = remove_cr_lf(remove_leading_white(out.raw));
        return out;
    }
    out.copy = remove_cr_lf(copy);
    out.raw = line;
    for (std::size_t i = lead; i < line.size(); ++i)
        if (line[i] != u'\r' && line[i] != u'\n') out.origin.push_back(i);
    for (std::size_t m = 0; m < std::size(kMarkers); ++m) {
        if (begins_with(out.copy, kMarkers[m])) {
            out.cls = static_cast<Class>(m);
            return out;
        }
    }
    return out;
}

class Reader {
public:
    Reader(int32_t seed, const Choices& choices) : counter_(static_cast<uint32_t>(seed)), choices_(choices) {}

    void line(const Line& l);
    std::vector<Rec> records;

private:
    void assign_id() {
        cur_.parentId = folders_.empty() ? -1 : folders_.back();
        cur_.id = static_cast<int32_t>(counter_);
        counter_ = counter_ + 1;
    }
    void append() { records.push_back(cur_); }
    void folder(const Line& l);
    void data_header(const Line& l);
    void block_end();
    void ordinary(const Line& l);

    uint32_t counter_;
    Choices choices_;
    std::vector<int32_t> folders_;
    uint8_t item_kind_ = 2;
    int bare_mode_ = 2;
    bool in_block_ = false;
    Rec cur_;  // the record under construction
    String comment_, macro_;
};

void Reader::line(const Line& l) {
    const String& copy = l.copy;
    switch (l.cls) {
        case Class::CMT:
            break;
        case Class::FCM:
            if (!comment_.empty()) comment_ += kCrLf;
            comment_ += remove_trailing_white(copy).substr(16);
            break;
        case Class::MAC:
            if (!macro_.empty()) macro_ += kCrLf;
            macro_ += copy.substr(16);
            break;
        case Class::OneTime: item_kind_ = 1; break;
        case Class::Locked: item_kind_ = 2; break;
        case Class::NTR: bare_mode_ = 0; break;
        case Class::DNL: bare_mode_ = 1; break;
        case Class::TRM: bare_mode_ = 2; break;
        case Class::FLD:
            folder(l);
            break;
        case Class::FED:
            if (!folders_.empty()) folders_.pop_back();
            in_block_ = false;
            break;
        case Class::DAT:
        case Class::SDT:
            data_header(l);
            break;
        case Class::DED:
            if (in_block_ || !choices_.ignore_stray_block_end) block_end();
            break;
        case Class::Escaped:
        case Class::Text:
            ordinary(l);
            break;
        case Class::Count:
            break;
    }
}

void Reader::folder(const Line& l) {
    const String& copy = l.copy;
    uint8_t kind = 4;
    std::size_t start = 15;
    std::size_t h = find(copy, u"H|", 15);
    if (h == 15 || h == 16 || h == 17) {
        kind = 8;
        start = h + 2;
    }
    std::size_t o = find(copy, u"O|", 15);
    if (o == 15 || o == 16 || o == 17) {
        kind = kind | 0x10;
        if (o >= start) start = o + 2;
    }
    String title;
    std::size_t end = find(copy, u"|_", start);
    if (end != kNotFound && end > start) title = copy.substr(start, end - start);
    cur_.kind = kind;
    assign_id();
    cur_.title = title.empty() ? decimal(cur_.id) : title;
    cur_.data = comment_;
    cur_.macro = macro_;
    comment_.clear();
    macro_.clear();
    Rec appended = cur_;
    if (choices_.folders_without_letter_code) appended.letterCode = 0;
    records.push_back(appended);
    folders_.push_back(cur_.id);
    in_block_ = false;
}

void Reader::data_header(const Line& l) {
    const String& copy = l.copy;
    cur_.kind = item_kind_;
    std::size_t start = 15;
    for (std::size_t c = 0; c < std::size(kLetterCodes); ++c) {
        if (copy.size() >= 17 && copy.substr(15, 2) == kLetterCodes[c]) {
            cur_.letterCode = static_cast<int8_t>(c + 1);
            start = 17;
            break;
        }
    }
    std::size_t end = find(copy, u"|_", start);
    String title;
    if (end != kNotFound && end > start) title = copy.substr(start, end - start);
    cur_.title = title;
    assign_id();
    cur_.macro = macro_;
    macro_.clear();
    if (l.cls == Class::DAT) {
        cur_.data.clear();
        in_block_ = true;
        return;
    }
    if (end == kNotFound) {
        cur_.title.clear();
        cur_.data.clear();
    } else {
        cur_.data = copy.substr(end + 2);
        if (choices_.drop_escape_after_single_line_title && begins_with(cur_.data, kEscape) &&
            begins_with(l.raw.substr(l.origin[end + 1] + 1), kEscape))
            cur_.data = cur_.data.substr(kEscape.size());
        if (cur_.title.empty()) cur_.title = cur_.data;
    }
    bool kept = !cur_.data.empty() || !cur_.macro.empty();
    if (choices_.keep_titled_single_lines && !cur_.title.empty()) kept = true;
    if (kept) append();
    cur_.letterCode = 0;
    in_block_ = false;
}

void Reader::block_end() {
    if (ends_with_cr_lf(cur_.data)) cur_.data = cur_.data.substr(0, cur_.data.size() - 2);
    if (cur_.data.empty()) {
        cur_.data = cur_.title;
    } else if (cur_.title.empty()) {
        std::size_t lf = find(cur_.data, u"\n", 0);
        String first = lf == kNotFound ? cur_.data : cur_.data.substr(0, lf);
        cur_.title = remove_trailing_white(remove_leading_white(first));
    }
    if (!cur_.data.empty() || !cur_.macro.empty()) append();
    cur_.letterCode = 0;
    in_block_ = false;
}

void Reader::ordinary(const Line& l) {
    if (in_block_) {
        cur_.data += l.raw;
        return;
    }
    if (l.copy.empty()) return;
    cur_.kind = item_kind_;
    assign_id();
    cur_.title = remove_trailing_white(l.copy);
    if (bare_mode_ == 2) cur_.data = cur_.title;
    if (bare_mode_ == 1) cur_.data = remove_cr_lf(l.raw);
    if (bare_mode_ == 0) cur_.data = l.raw;
    cur_.macro = macro_;
    macro_.clear();
    append();
}

}  // namespace

std::vector<Rec> read(std::string_view bytes, int32_t seed, const Choices& choices, std::vector<int>* seen) {
    Reader reader(seed, choices);
    for (const String& piece : pieces_of(units_of(bytes))) {
        Line l = classify(piece);
        if (seen) (*seen)[static_cast<std::size_t>(l.cls)] += 1;
        reader.line(l);
    }
    return reader.records;
}

}  // namespace peltatxt::literal
