// json_text.cpp — printing and parsing JSON with lone surrogate escapes, on top of nlohmann-json.
#include "json_text.h"

#include <map>
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

// The string literals of a JSON text that hold a lone surrogate escape, by their position
// among all string literals (keys included), with their content as units UTF-8. In the text
// each such escape is replaced by \uFFFD of the same length, which nlohmann-json accepts; the
// parser then gets the true content from here. A literal whose escapes are malformed is left
// for the parser to report.
class LoneEscapes {
public:
    explicit LoneEscapes(std::string& text) {
        std::size_t literal = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != '"') continue;
            std::size_t end = scan_literal(text, i + 1, literal++);
            if (end == std::string::npos) return;
            i = end;
        }
    }
    // The content of the literal at position index, when it held a lone surrogate escape.
    const std::string* content(std::size_t index) const {
        auto it = contents_.find(index);
        return it == contents_.end() ? nullptr : &it->second;
    }

private:
    // Scans the literal that starts at text[from]; returns the offset of its closing quote.
    std::size_t scan_literal(std::string& text, std::size_t from, std::size_t index) {
        std::u16string units;
        std::size_t run = from;  // start of the raw text not yet decoded
        bool lone = false, well_formed = true;
        auto flush = [&](std::size_t to) {
            units += host::from_utf8(std::string_view(text).substr(run, to - run));
        };
        for (std::size_t i = from; i < text.size(); ++i) {
            char c = text[i];
            if (c == '"') {
                if (lone && well_formed) {
                    flush(i);
                    contents_[index] = units_utf8(units);
                }
                return i;
            }
            if (c != '\\') continue;
            flush(i);
            if (i + 1 >= text.size()) return std::string::npos;
            char e = text[i + 1];
            static constexpr std::string_view kSimple = "\"\\/bfnrt", kMeaning = "\"\\/\b\f\n\r\t";
            if (std::size_t k = kSimple.find(e); k != std::string_view::npos) {
                units += static_cast<char16_t>(kMeaning[k]);
                i += 1;
            } else if (e == 'u') {
                std::optional<char16_t> unit = hex4(text, i + 2);
                if (!unit) {
                    well_formed = false;
                    i += 1;
                } else {
                    std::optional<char16_t> next;
                    if (i + 7 < text.size() && text[i + 6] == '\\' && text[i + 7] == 'u') next = hex4(text, i + 8);
                    bool pair_start = is_high_surrogate(*unit) && next && is_low_surrogate(*next);
                    if (pair_start) {
                        units += *unit;
                        units += *next;
                        i += 11;
                    } else {
                        units += *unit;
                        if (is_high_surrogate(*unit) || is_low_surrogate(*unit)) {
                            lone = true;
                            text.replace(i + 2, 4, "FFFD");
                        }
                        i += 5;
                    }
                }
            } else {
                well_formed = false;
                i += 1;
            }
            run = i + 1;
        }
        return std::string::npos;
    }

    std::map<std::size_t, std::string> contents_;
};

// nlohmann-json's own document builder, with the strings that held lone surrogate escapes
// given their true content.
class Builder : public nlohmann::detail::json_sax_dom_parser<Json> {
public:
    Builder(Json& doc, const LoneEscapes& escapes) : json_sax_dom_parser(doc, true), escapes_(escapes) {}
    bool string(std::string& s) { return json_sax_dom_parser::string(restored(s)); }
    bool key(std::string& s) { return json_sax_dom_parser::key(restored(s)); }

private:
    std::string& restored(std::string& s) {
        if (const std::string* content = escapes_.content(literal_++)) s = *content;
        return s;
    }
    const LoneEscapes& escapes_;
    std::size_t literal_ = 0;
};

}  // namespace

std::string json_text(const Json& doc) {
    std::string out;
    put_value(out, doc, 0);
    return out;
}

Json parse_json_text(std::string_view text) {
    std::string copy(text);
    LoneEscapes escapes(copy);
    Json doc;
    Builder builder(doc, escapes);
    Json::sax_parse(copy.begin(), copy.end(), &builder);
    return doc;
}

}  // namespace peltatxt::cli
