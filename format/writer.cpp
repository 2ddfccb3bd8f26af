// writer.cpp — one pass over a list: folders by parentId, the five entry forms, switches only when needed.
#include "writer.h"

#include <algorithm>

#include "format/carry.h"
#include "format/escape.h"
#include "text/atomic_file.h"
#include "text/line_pieces.h"
#include "text/unicode_text.h"

namespace peltatxt {
namespace {

constexpr std::size_t kBufferUnits = 1u << 18;  // written out in blocks of about 512 KiB
// Indentation only helps a person read the file; past this depth it stops growing so that no
// line runs into the reader's piece length.
constexpr std::size_t kMaxIndent = 4096;

bool has_line_break(Text s) noexcept { return find_line_break(s) != Text::npos; }

// Calls keep(unit) for each unit of title that a header line keeps: line breaks would end the
// header line, and a "|_" in the title loses its "_" so that it does not end the title there.
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

class CountingSink final : public TextSink {
public:
    std::size_t units = 0;
    void put(Text chunk) override { units += chunk.size(); }
};

std::size_t escaped_size(Text text) {
    CountingSink count;
    escape_text(text, EscapeScope::LineStarts, count);
    return count.units;
}

// The writer's record step mirrors the reader's handlers: close the folders the record is not
// in, then put a folder or an entry, each taking up the macro the same way.
class Writer final : public TextSink {
public:
    explicit Writer(AtomicFile& file) : file_(file) { buffer_.reserve(kBufferUnits); }

    void start() {
        put(u"\uFEFF");  // the byte-order mark, FF FE once written little-endian
        put(banner());
    }
    void record(const EntryRecord& r) {
        folders_.close_for(r.parentId, [](int32_t id) { return id; }, [this] { put_folder_end(); });
        if (is_folder(r.kind))
            put_folder(r);
        else
            put_entry(r);
    }
    void finish() {
        folders_.close_all([this] { put_folder_end(); });
        flush();
    }

private:
    void put(Text s) override {
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
    std::size_t indent() const noexcept { return std::min(folders_.depth(), kMaxIndent); }
    void put_indent() { put(Text(tabs_).substr(0, indent())); }
    void put_switch_line(Marker m) {
        put(kLineBreak);
        put(marker_text(m));
        put(kLineBreak);
    }
    void put_folder_end() {
        put_indent();
        put(marker_text(Marker::FED));
        put(kLineBreak);
        put(kLineBreak);
    }
    void put_folder(const EntryRecord& r);
    void put_macro(const EntryRecord& r);
    void put_entry(const EntryRecord& r);
    void switch_kind(uint8_t kind);
    void put_bare(BareMode mode, Text data);
    void put_data_header(Marker m, const EntryRecord& r);
    void put_block(const EntryRecord& r, Text data);
    void put_prefixed(Marker m, Text text);
    Text header_title(Text title, std::size_t used);

    AtomicFile& file_;
    std::u16string buffer_;
    std::u16string tabs_ = std::u16string(kMaxIndent, u'\t');
    std::u16string title_;
    OpenFolders<int32_t> folders_;
    uint8_t item_kind_ = PELTATXT_KIND_LOCKED;
    BareMode bare_mode_ = kFirstBareMode;
};

void Writer::put_folder(const EntryRecord& r) {
    Text comment = view_of(r.data);
    put(kLineBreak);
    if (!comment.empty()) put_prefixed(Marker::FCM, comment);
    put_macro(r);
    put_indent();
    put(marker_text(Marker::FLD));
    std::size_t used = kHeaderLength;
    if ((r.kind & PELTATXT_KIND_FOLDER_MASK) == PELTATXT_KIND_FOLDER_H) {
        put(kFlagH);
        used += kFlagH.size();
    }
    if (r.kind & PELTATXT_KIND_FOLDER_O) {
        put(kFlagO);
        used += kFlagO.size();
    }
    put(header_title(view_of(r.title), used));
    put(kTitleEnd);
    put(kLineBreak);
    folders_.open(r.id);
}

void Writer::put_macro(const EntryRecord& r) {
    Text macro = view_of(r.macro);
    if (macro.empty()) return;
    if (r.kind & (PELTATXT_KIND_ONE_TIME | PELTATXT_KIND_LOCKED)) put(kLineBreak);
    put_prefixed(Marker::MAC, macro);
}

void Writer::put_entry(const EntryRecord& r) {
    put_macro(r);
    Text data = view_of(r.data);
    Form form = choose_form(view_of(r.title), data, r.letterCode, indent());
    switch_kind(r.kind);
    if (is_bare(form)) {
        put_bare(bare_mode_of(form), data);
    } else if (form == Form::SDT) {
        put_data_header(Marker::SDT, r);
        escape_text(data, EscapeScope::LineStarts, *this);
        put(kLineBreak);
    } else {
        put_block(r, data);
    }
}

// Only kinds 1 and 2 switch: an entry of any other kind reads back as the kind then in force.
void Writer::switch_kind(uint8_t kind) {
    if ((kind != PELTATXT_KIND_ONE_TIME && kind != PELTATXT_KIND_LOCKED) || kind == item_kind_) return;
    put_switch_line(kind == PELTATXT_KIND_ONE_TIME ? Marker::OneTime : Marker::Locked);
    item_kind_ = kind;
}

void Writer::put_bare(BareMode mode, Text data) {
    if (bare_mode_ != mode) {
        put_switch_line(switch_marker(mode));
        bare_mode_ = mode;
    }
    if (mode == BareMode::TRM) put_indent();
    escape_text(data, EscapeScope::LineStarts, *this);
    if (mode != BareMode::NTR) put(kLineBreak);
}

// The marker, letter code and title of an SDT or DAT line, up to and including the terminator.
void Writer::put_data_header(Marker m, const EntryRecord& r) {
    put_indent();
    put(marker_text(m));
    Text title = header_title(view_of(r.title), kHeaderLength + 2);
    // A title that begins like a letter code would lose its start to one: writing that code
    // keeps the whole title, and only the letter code differs.
    int8_t code = has_letter_code(r.letterCode)       ? r.letterCode
                  : begins_like_letter_code(title) ? letter_code_of(title[0])
                                                   : int8_t(0);
    if (code != 0) {
        put(kCodeLetters.substr(static_cast<std::size_t>(code - 1), 1));
        put(u"|");
    }
    put(title);
    put(kTitleEnd);
}

void Writer::put_block(const EntryRecord& r, Text data) {
    // Without a macro a block is set off by an empty line; a macro's lines were (see put_macro).
    if (view_of(r.macro).empty()) put(kLineBreak);
    put_data_header(Marker::DAT, r);
    put(kLineBreak);
    escape_text(data, EscapeScope::LineAndPieceStarts, *this);
    put(kLineBreak);
    put_indent();
    put(marker_text(Marker::DED));
    put(kLineBreak);
    put(kLineBreak);
}

// A title as a header line can carry it: one line, with no title terminator inside (each "|_"
// loses its "_"), and cut to fit one line piece so that the rest of the file reads as written.
Text Writer::header_title(Text title, std::size_t used) {
    std::size_t room = title_room(indent(), used);
    if (!has_line_break(title) && title.find(kTitleEnd) == Text::npos && title.size() <= room) return title;
    title_.clear();
    for_each_header_unit(title, [this](char16_t c) { title_.push_back(c); });
    if (title_.size() > room) title_.resize(room);
    return title_;
}

// Every line of text becomes one line after the marker; the text's own line breaks are kept.
// A line too long for one line piece is split over several prefixed lines.
void Writer::put_prefixed(Marker m, Text text) {
    std::size_t room = kMaxPiece - indent() - kMarkerLength - kLineBreak.size();
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

Form choose_form(Text title, Text data, int8_t letterCode, std::size_t indent) {
    // The escaped size decides only between the forms that write the text on one line; a text of
    // several lines takes a block whatever its size, so it is not escaped twice.
    std::size_t lf = find_unit(data, u'\n');
    bool one_line = lf == Text::npos || lf + 1 == data.size();
    std::size_t escaped = one_line ? escaped_size(data) : 0;
    // A letter code that is none is not written, so it does not keep a record from bare lines.
    if (carry::bare_lines_carry(title, data, has_letter_code(letterCode) ? letterCode : 0)) {
        if (data == title) {
            if (indent + escaped + kLineBreak.size() <= kMaxPiece) return Form::TRM;
        } else if (lf == Text::npos) {
            if (escaped + kLineBreak.size() <= kMaxPiece) return Form::DNL;
        } else if (escaped <= kMaxPiece) {
            return Form::NTR;
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
        if (file.failed()) return false;  // a failed write is reported, and the previous file stays
    }
    writer.finish();
    return file.commit();
}

}  // namespace peltatxt
