// writer.cpp — one pass over a list: folders by parentId, the five entry forms, switches only when needed.
#include "writer.h"

#include <algorithm>

#include "text/atomic_file.h"
#include "text/unicode_text.h"

namespace peltatxt {
namespace {

constexpr std::size_t kBufferUnits = 1u << 18;  // written out in blocks of about 512 KiB
// Indentation only helps a person read the file; past this depth it stops growing so that no
// line runs into the reader's piece length.
constexpr std::size_t kMaxIndent = 4096;

bool is_separator(char16_t c) noexcept {
#if defined(_WIN32)
    return c == u'\\' || c == u'/';
#else
    return c == u'/';
#endif
}

bool has_line_break(Text s) noexcept { return find_line_break(s) != Text::npos; }

// Calls keep(unit) for each unit of title that a header line keeps: line breaks end a header
// line and "|_" would end the title, so they go (each "|_" loses its "_").
template <class Keep>
void for_each_header_unit(Text title, Keep&& keep) {
    bool after_bar = false;
    for (char16_t c : title) {
        if (c == u'\r' || c == u'\n') continue;
        if (c == u'_' && after_bar) continue;
        after_bar = c == u'|';
        keep(c);
    }
}

// Units a header line at this indentation has for its title, after the used units of marker,
// letter code and flags, and before the terminator and the line break.
std::size_t title_room(std::size_t indent, std::size_t used) {
    return kMaxPiece - indent - used - kTitleEnd.size() - kLineBreak.size();
}

// The length of title as a data header at this indentation writes it (see Writer::header_title).
std::size_t header_title_size(Text title, std::size_t indent) {
    std::size_t room = title_room(indent, kHeaderLength + 2);
    if (!has_line_break(title) && title.find(kTitleEnd) == Text::npos) return std::min(title.size(), room);
    std::size_t n = 0;
    for_each_header_unit(title, [&](char16_t) { ++n; });
    return std::min(n, room);
}

std::size_t escaped_size(Text text) {
    std::size_t n = 0;
    escape_text(text, false, [&](Text chunk) { n += chunk.size(); });
    return n;
}

class Writer {
public:
    explicit Writer(AtomicFile& file) : file_(file) { buffer_.reserve(kBufferUnits); }

    void start() {
        put(u"\uFEFF");  // the byte-order mark, FF FE once written little-endian
        put(banner());
    }
    void record(const EntryRecord& r);
    void finish() {
        while (!folders_.empty()) close_folder();
        flush();
    }

private:
    void put(Text s) {
        if (buffer_.size() + s.size() > kBufferUnits) {
            flush();
            if (s.size() > kBufferUnits) {
                file_.write(s.data(), s.size());
                return;
            }
        }
        buffer_.append(s);
    }
    void flush() {
        file_.write(buffer_.data(), buffer_.size());
        buffer_.clear();
    }
    void put_indent() { put(Text(tabs_).substr(0, std::min(folders_.size(), kMaxIndent))); }
    void put_marker_line(Marker m) {
        put(kLineBreak);
        put(marker_text(m));
        put(kLineBreak);
    }
    void close_folder() {
        folders_.pop_back();
        put_indent();
        put(marker_text(Marker::FED));
        put(kLineBreak);
        put(kLineBreak);
    }
    void put_prefixed(Marker m, Text text);
    Text header_title(Text title, std::size_t used);
    void put_entry(const EntryRecord& r, Text title, Text data, Text macro);

    AtomicFile& file_;
    std::u16string buffer_;
    std::u16string tabs_ = std::u16string(kMaxIndent, u'\t');
    std::u16string title_;
    std::vector<int32_t> folders_;
    uint8_t item_kind_ = PELTATXT_KIND_LOCKED;
    Form bare_mode_ = Form::TRM;
};

void Writer::record(const EntryRecord& r) {
    while (!folders_.empty() && folders_.back() != r.parentId) close_folder();
    Text title = view_of(r.title), data = view_of(r.data), macro = view_of(r.macro);
    bool folder = is_folder(r.kind);
    if (folder) {
        put(kLineBreak);
        if (!data.empty()) put_prefixed(Marker::FCM, data);
    }
    if (!macro.empty()) {
        if (r.kind & (PELTATXT_KIND_ONE_TIME | PELTATXT_KIND_LOCKED)) put(kLineBreak);
        put_prefixed(Marker::MAC, macro);
    }
    if (!folder) {
        put_entry(r, title, data, macro);
        return;
    }
    put_indent();
    put(marker_text(Marker::FLD));
    std::size_t used = kHeaderLength;
    if ((r.kind & PELTATXT_KIND_FOLDER_MASK) == PELTATXT_KIND_FOLDER_H) {
        put(kFlagH);
        used += 2;
    }
    if (r.kind & PELTATXT_KIND_FOLDER_O) {
        put(kFlagO);
        used += 2;
    }
    put(header_title(title, used));
    put(kTitleEnd);
    put(kLineBreak);
    folders_.push_back(r.id);
}

// A title as a header line can carry it: one line, with no title terminator inside (each "|_"
// loses its "_"), and cut to fit one line piece so that the rest of the file reads as written.
Text Writer::header_title(Text title, std::size_t used) {
    std::size_t room = title_room(std::min(folders_.size(), kMaxIndent), used);
    if (!has_line_break(title) && title.find(kTitleEnd) == Text::npos && title.size() <= room) return title;
    title_.clear();
    for_each_header_unit(title, [this](char16_t c) { title_.push_back(c); });
    if (title_.size() > room) title_.resize(room);
    return title_;
}

void Writer::put_entry(const EntryRecord& r, Text title, Text data, Text macro) {
    std::size_t indent = std::min(folders_.size(), kMaxIndent);
    Form form = choose_form(title, data, r.letterCode, indent);
    if (r.kind == PELTATXT_KIND_ONE_TIME && item_kind_ != PELTATXT_KIND_ONE_TIME) {
        put_marker_line(Marker::OneTime);
        item_kind_ = PELTATXT_KIND_ONE_TIME;
    } else if (r.kind == PELTATXT_KIND_LOCKED && item_kind_ != PELTATXT_KIND_LOCKED) {
        put_marker_line(Marker::Locked);
        item_kind_ = PELTATXT_KIND_LOCKED;
    }
    auto emit = [this](Text chunk) { put(chunk); };
    switch (form) {
        case Form::TRM:
        case Form::DNL:
        case Form::NTR:
            if (bare_mode_ != form) {
                put_marker_line(form == Form::TRM ? Marker::TRM : form == Form::DNL ? Marker::DNL : Marker::NTR);
                bare_mode_ = form;
            }
            if (form == Form::TRM) put_indent();
            escape_text(data, false, emit);
            if (form != Form::NTR) put(kLineBreak);
            return;
        case Form::SDT:
        case Form::DAT:
            break;
    }
    bool block = form == Form::DAT;
    if (block && macro.empty()) put(kLineBreak);
    put_indent();
    put(marker_text(block ? Marker::DAT : Marker::SDT));
    Text header = header_title(title, kHeaderLength + 2);
    // A title that begins like a letter code would lose its start to one; writing that code
    // keeps the whole title, and only the letter code differs.
    bool code_like = !header.empty() && kCodeLetters.find(header[0]) != Text::npos &&
                     (header.size() == 1 || header[1] == u'|');
    if (has_letter_code(r.letterCode) || code_like) {
        std::size_t letter = has_letter_code(r.letterCode) ? static_cast<std::size_t>(r.letterCode - 1)
                                                            : kCodeLetters.find(header[0]);
        put(kCodeLetters.substr(letter, 1));
        put(u"|");
    }
    put(header);
    put(kTitleEnd);
    if (!block) {
        escape_text(data, false, emit);
        put(kLineBreak);
        return;
    }
    put(kLineBreak);
    escape_text(data, true, emit);
    put(kLineBreak);
    put_indent();
    put(marker_text(Marker::DED));
    put(kLineBreak);
    put(kLineBreak);
}

// Every line of text becomes one line after the marker; the text's own line breaks are kept.
// A line too long for one line piece is split over several prefixed lines.
void Writer::put_prefixed(Marker m, Text text) {
    std::size_t indent = std::min(folders_.size(), kMaxIndent);
    std::size_t room = kMaxPiece - indent - kMarkerLength - kLineBreak.size();
    auto start_line = [&] {
        put_indent();
        put(marker_text(m));
    };
    start_line();
    std::size_t start = 0;
    for (;;) {
        std::size_t lf = text.find(u'\n', start);
        std::size_t end = lf == Text::npos ? text.size() : lf;
        while (end - start > room) {
            put(text.substr(start, room));
            put(kLineBreak);
            start_line();
            start += room;
        }
        if (lf == Text::npos) break;
        put(text.substr(start, lf + 1 - start));
        start_line();
        start = lf + 1;
    }
    put(text.substr(start));
    put(kLineBreak);
}

}  // namespace

std::u16string output_path(Text path) {
    std::size_t b = Text::npos;
    for (std::size_t i = path.size(); i-- > 0;)
        if (is_separator(path[i])) {
            b = i;
            break;
        }
    std::size_t c = path.rfind(u'.');
    std::size_t stem_start = b == Text::npos ? 0 : b + 1;
    std::size_t stem_end = (c != Text::npos && (b == Text::npos || c > b)) ? c : path.size();
    std::u16string out;
#if defined(_WIN32)
    out = b == Text::npos ? std::u16string(u".\\") : std::u16string(path.substr(0, b + 1));
#else
    out = b == Text::npos ? std::u16string(u"./") : std::u16string(path.substr(0, b + 1));
#endif
    out.append(path.substr(stem_start, stem_end - stem_start));
    out.append(u".peltatxt");
    return out;
}

Form choose_form(Text title, Text data, int8_t letterCode, std::size_t indent) {
    bool coded = has_letter_code(letterCode);
    // The escaped size decides only between the forms that write the text on one line; a text of
    // several lines takes a block whatever its size, so it is not escaped twice.
    std::size_t lf = find_unit(data, u'\n');
    bool one_line = lf == Text::npos || lf + 1 == data.size();
    std::size_t escaped = one_line ? escaped_size(data) : 0;
    if (!coded && !title.empty() && !has_line_break(title) && trim(title) == title) {
        if (data == title) {
            if (indent + escaped + kLineBreak.size() <= kMaxPiece) return Form::TRM;
        } else if (trim(data) == title) {
            if (lf == Text::npos) {
                if (!contains_unit(data, u'\r') && escaped + kLineBreak.size() <= kMaxPiece) return Form::DNL;
            } else if (lf + 1 == data.size() && escaped <= kMaxPiece) {
                return Form::NTR;
            }
        }
    }
    // Header titles are made to fit (see header_title), so the line holds the title as written
    // (cut when too long); the text must fit on the line as it is.
    std::size_t line =
        indent + kHeaderLength + 2 + header_title_size(title, indent) + kTitleEnd.size() + escaped + kLineBreak.size();
    if (!has_line_break(data) && line <= kMaxPiece) return Form::SDT;
    return Form::DAT;
}

bool write_file(Text path, const EntryListObject* list) {
    if (path.empty()) return false;  // names no file: there is nothing to derive a name from
    AtomicFile file;
    if (!file.open(output_path(path))) return false;
    Writer writer(file);
    writer.start();
    for (const EntryRecord& r : RecordRange(list)) {
        writer.record(r);
        if (file.failed()) return false;
    }
    writer.finish();
    return file.commit();
}

}  // namespace peltatxt
