// json_text.cpp — printing and parsing JSON with lone surrogate escapes, on top of nlohmann-json.
#include "json_text.h"

#include <deque>
#include <iterator>
#include <optional>

#include "code_units.h"
#include "plugin_host.h"

namespace peltatxt::cli {
namespace {

// Appends a JSON string literal of a units UTF-8 string. The escapes are those of
// nlohmann-json's own output (so plain texts come out as it writes them), plus \uXXXX for a
// lone surrogate.
void put_string(std::string& out, std::string_view s) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    out += "\\u00";
                    out += kHex[(c >> 4) & 15];
                    out += kHex[c & 15];
                } else if (std::optional<char16_t> unit = lone_surrogate_at(s, i)) {
                    out += unit_escape(*unit);
                    i += 2;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

void put_value(std::string& out, const Json& v, std::size_t depth) {
    auto newline = [&](std::size_t level) {
        out += '\n';
        out.append(2 * level, ' ');
    };
    if (v.is_string()) {
        put_string(out, v.get_ref<const std::string&>());
    } else if (v.is_array()) {
        if (v.empty()) {
            out += "[]";
            return;
        }
        out += '[';
        for (std::size_t i = 0; i < v.size(); ++i) {
            newline(depth + 1);
            put_value(out, v[i], depth + 1);
            if (i + 1 < v.size()) out += ',';
        }
        newline(depth);
        out += ']';
    } else if (v.is_object()) {
        if (v.empty()) {
            out += "{}";
            return;
        }
        out += '{';
        std::size_t n = 0;
        for (auto it = v.begin(); it != v.end(); ++it) {
            newline(depth + 1);
            put_string(out, it.key());
            out += ": ";
            put_value(out, it.value(), depth + 1);
            if (++n < v.size()) out += ',';
        }
        newline(depth);
        out += '}';
    } else {
        out += v.dump();
    }
}

// Reads four hex digits at text[at..]; nothing when they are not there.
std::optional<char16_t> hex4(std::string_view text, std::size_t at) {
    if (at + 4 > text.size()) return std::nullopt;
    unsigned value = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        char c = text[at + k];
        unsigned d = c >= '0' && c <= '9'   ? unsigned(c - '0')
                     : c >= 'a' && c <= 'f' ? unsigned(c - 'a' + 10)
                     : c >= 'A' && c <= 'F' ? unsigned(c - 'A' + 10)
                                            : 16u;
        if (d == 16) return std::nullopt;
        value = value * 16 + d;
    }
    return static_cast<char16_t>(value);
}

// The text as nlohmann-json reads it, one character after the other: the four hex digits of each
// lone surrogate escape read as FFFD, which it accepts (it refuses a lone surrogate). The string
// literals that held one are noted as they go by, with the offset of their opening quote, so that
// their true content can be read from the text again once the parser has passed them. The parser
// reads strictly forward and reports a string as soon as it ends, so at most a literal or two
// are noted at a time: nothing grows with the text. A literal whose escapes are malformed is
// left for the parser to report.
class EscapeScan {
public:
    explicit EscapeScan(std::string_view text) : text_(text) {}

    char at(std::size_t pos) {
        while (scanned_ <= pos) step();
        if (pos >= substituted_ && pos - substituted_ < 4) return "FFFD"[pos - substituted_];
        return text_[pos];
    }

    // The content, as units UTF-8, of the string literal at position index among all literals
    // (keys included) when it held a lone surrogate escape; nothing otherwise.
    std::optional<std::string> restored(std::size_t index) {
        while (!noted_.empty() && noted_.front().index < index) noted_.pop_front();
        if (noted_.empty() || noted_.front().index != index) return std::nullopt;
        std::size_t quote = noted_.front().quote;
        noted_.pop_front();
        return units_utf8(literal_units(quote + 1));
    }

private:
    // Moves the scan over the next character, or over a whole escape.
    void step() {
        std::size_t i = scanned_;
        char c = text_[i];
        if (!in_string_) {
            if (c == '"') {
                in_string_ = true;
                quote_ = i;
                noted_this_ = false;
                ++literals_;
            }
            scanned_ = i + 1;
            return;
        }
        if (c == '"') {
            in_string_ = false;
        } else if (c == '\\' && i + 1 < text_.size()) {
            if (text_[i + 1] != 'u') {
                scanned_ = i + 2;
                return;
            }
            std::optional<char16_t> unit = hex4(text_, i + 2);
            if (!unit) {
                scanned_ = i + 2;
                return;
            }
            if (is_high_surrogate(*unit) && pair_follows(i + 6)) {
                scanned_ = i + 12;
                return;
            }
            if (is_high_surrogate(*unit) || is_low_surrogate(*unit)) {
                substituted_ = i + 2;
                if (!noted_this_) noted_.push_back({literals_ - 1, quote_});
                noted_this_ = true;
            }
            scanned_ = i + 6;
            return;
        }
        scanned_ = i + 1;
    }

    // Whether a low surrogate escape starts at text_[at].
    bool pair_follows(std::size_t at) const {
        if (at + 1 >= text_.size() || text_[at] != '\\' || text_[at + 1] != 'u') return false;
        std::optional<char16_t> next = hex4(text_, at + 2);
        return next && is_low_surrogate(*next);
    }

    // The units of the literal whose content starts at text_[from], which the parser has
    // accepted (its escapes are well formed and its other bytes UTF-8).
    std::u16string literal_units(std::size_t from) const {
        std::u16string units;
        std::size_t run = from;  // start of the raw text not yet decoded
        auto flush = [&](std::size_t to) { units += host::utf16_replacing(text_.substr(run, to - run)); };
        std::size_t i = from;
        for (; i < text_.size(); ++i) {
            char c = text_[i];
            if (c == '"') break;
            if (c != '\\') continue;
            flush(i);
            char e = text_[i + 1];
            static constexpr std::string_view kSimple = "\"\\/bfnrt", kMeaning = "\"\\/\b\f\n\r\t";
            if (std::size_t k = kSimple.find(e); k != std::string_view::npos) {
                units += static_cast<char16_t>(kMeaning[k]);
                i += 1;
            } else {
                char16_t unit = hex4(text_, i + 2).value_or(u'\uFFFD');
                units += unit;
                i += 5;
                if (is_high_surrogate(unit) && pair_follows(i + 1)) {
                    units += hex4(text_, i + 3).value_or(u'\uFFFD');
                    i += 6;
                }
            }
            run = i + 1;
        }
        flush(i);
        return units;
    }

    struct Noted {
        std::size_t index;  // the literal's position among all literals
        std::size_t quote;  // the offset of its opening quote
    };
    std::string_view text_;
    std::size_t scanned_ = 0;
    bool in_string_ = false;
    std::size_t literals_ = 0;  // literals opened so far
    std::size_t quote_ = 0;     // the opening quote of the literal being scanned
    bool noted_this_ = false;
    std::size_t substituted_ = std::string_view::npos;  // the first digit read as FFFD
    std::deque<Noted> noted_;
};

// The characters of an EscapeScan, as the iterator pair nlohmann-json reads input from.
class ScanIterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = char;

    ScanIterator(EscapeScan* scan, std::size_t pos) : scan_(scan), pos_(pos) {}
    char operator*() const { return scan_->at(pos_); }
    ScanIterator& operator++() {
        ++pos_;
        return *this;
    }
    ScanIterator operator++(int) {
        ScanIterator before = *this;
        ++pos_;
        return before;
    }
    bool operator==(const ScanIterator& other) const { return pos_ == other.pos_; }
    bool operator!=(const ScanIterator& other) const { return pos_ != other.pos_; }

private:
    EscapeScan* scan_;
    std::size_t pos_;
};

// Passes every event on to target, strings and keys with their true content.
template <class Target>
class Restoring {
public:
    Restoring(Target& target, EscapeScan& scan) : target_(target), scan_(scan) {}
    bool null() { return target_.null(); }
    bool boolean(bool v) { return target_.boolean(v); }
    bool number_integer(Json::number_integer_t v) { return target_.number_integer(v); }
    bool number_unsigned(Json::number_unsigned_t v) { return target_.number_unsigned(v); }
    bool number_float(Json::number_float_t v, const std::string& s) { return target_.number_float(v, s); }
    bool string(std::string& s) { return target_.string(restored(s)); }
    bool binary(Json::binary_t& b) { return target_.binary(b); }
    bool start_object(std::size_t n) { return target_.start_object(n); }
    bool key(std::string& s) { return target_.key(restored(s)); }
    bool end_object() { return target_.end_object(); }
    bool start_array(std::size_t n) { return target_.start_array(n); }
    bool end_array() { return target_.end_array(); }
    template <class Exception>  // the parser's own type, which nlohmann-json's document builder throws
    bool parse_error(std::size_t position, const std::string& last_token, const Exception& ex) {
        return target_.parse_error(position, last_token, ex);
    }

private:
    std::string& restored(std::string& s) {
        if (std::optional<std::string> content = scan_.restored(literal_++)) s = std::move(*content);
        return s;
    }
    Target& target_;
    EscapeScan& scan_;
    std::size_t literal_ = 0;
};

template <class Target>
bool parse_with(std::string_view text, Target& target) {
    EscapeScan scan(text);
    Restoring<Target> restoring(target, scan);
    return Json::sax_parse(ScanIterator(&scan, 0), ScanIterator(&scan, text.size()), &restoring);
}

}  // namespace

std::string json_text(const Json& doc) {
    std::string out;
    put_value(out, doc, 0);
    return out;
}

void append_json_text(std::string& out, const Json& value, std::size_t depth) { put_value(out, value, depth); }

void append_json_string(std::string& out, std::string_view text) { put_string(out, text); }

Json parse_json_text(std::string_view text) {
    Json doc;
    nlohmann::detail::json_sax_dom_parser<Json> builder(doc, true);
    parse_with(text, builder);
    return doc;
}

bool parse_json_events(std::string_view text, nlohmann::json_sax<Json>& events) { return parse_with(text, events); }

}  // namespace peltatxt::cli
