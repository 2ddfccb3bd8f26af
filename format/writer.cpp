// writer.cpp — one pass over a list: folders by parentId, the five entry forms, switches only when needed.
#include "writer.h"

#include <algorithm>

#include "format/carry.h"
#include "format/escape.h"
#include "text/byte_sink.h"
#include "text/line_pieces.h"
#include "text/unicode_text.h"

namespace peltatxt {
namespace {

// Indentation only helps a person read the file; past this depth it stops growing so that no
// line runs into the reader's piece length.
constexpr std::size_t kMaxIndent = 4096;

// True when a header line can carry the title's units as they are: no CR or LF, which would end
// the line, and no title terminator.
bool header_keeps(Text title) noexcept {
    return find_line_break_or_pair(title, kTitleEnd[0], kTitleEnd[1]) == Text::npos;
}

// Units a header line at this indentation has for its title, after the used units of marker,
// letter code and flags, and before the terminator and the line break.
std::size_t title_room(std::size_t indent, std::size_t used) {
    return kMaxPiece - indent - used - kTitleEnd.size() - kLineBreak.size();
}

// The title as a header line with room units for it writes it: one line, with no title
// terminator inside (each "|_" loses its "_"), and cut to fit one line piece so that the rest of
// the file reads as written. A view of title where that is title itself, else a copy in scratch.
Text header_title(Text title, std::size_t room, std::u16string& scratch) {
    if (header_keeps(title)) return title.substr(0, std::min(title.size(), room));
    scratch.clear();
    bool after_bar = false;
    for (char16_t c : title) {
        if (c == u'\r' || c == u'\n') continue;
        if (c == kTitleEnd[1] && after_bar) continue;
        after_bar = c == kTitleEnd[0];
        scratch.push_back(c);
    }
    if (scratch.size() > room) scratch.resize(room);
    return scratch;
}

// The units a data header (SDT or DAT) uses before its title: the marker and room for a letter code.
constexpr std::size_t kDataHeaderUsed = kHeaderLength + 2;

// How an entry's text goes out: its form, and for the forms that write it on one line, whether
// that line takes the escape marker.
struct TextPlan {
    Form form;
    bool escape_line;
    Text header_title;  // for a single line and a block
};

// The form for an entry (see choose_form), and the title its data header would carry, which
// may be a copy in scratch. The text is searched once for its first line break, and once more
// for its first LF where that break is a CR.
TextPlan plan_text(Text title, Text data, int8_t letterCode, std::size_t indent, std::u16string& scratch) {
    std::size_t brk = find_line_break(data);
    std::size_t lf = brk == Text::npos ? Text::npos : data[brk] == u'\n' ? brk : find_unit(data, u'\n', brk + 1);
    // The escaped size matters only for the forms that write the text on one line: its size, plus
    // the escape marker when the line would read as a marker. A text of several lines takes a
    // block whatever its size.
    bool one_line = lf == Text::npos || lf + 1 == data.size();
    bool escape = one_line && reads_as_marker(data);
    std::size_t escaped = one_line ? data.size() + (escape ? marker_text(Marker::ESC).size() : 0) : 0;
    // A letter code that is none is not written, so it does not keep a record from bare lines.
    if (carry::bare_lines_carry(title, data, has_letter_code(letterCode) ? letterCode : 0)) {
        if (same_units(data, title)) {
            if (indent + escaped + kLineBreak.size() <= kMaxPiece) return {Form::BareTRM, escape, {}};
        } else if (lf == Text::npos) {
            if (escaped + kLineBreak.size() <= kMaxPiece) return {Form::BareDNL, escape, {}};
        } else if (escaped <= kMaxPiece) {
            return {Form::BareNTR, escape, {}};
        }
    }
    // Header titles are made to fit (see header_title), so the line holds the title as written
    // (cut when too long); the text must fit on the line as it is.
    Text shown = header_title(title, title_room(indent, kDataHeaderUsed), scratch);
    std::size_t line = indent + kDataHeaderUsed + shown.size() + kTitleEnd.size() + escaped + kLineBreak.size();
    if (brk == Text::npos && line <= kMaxPiece) return {Form::SingleLine, escape, shown};
    return {Form::Block, false, shown};
}

// The writer's record step mirrors the reader's handlers: close the folders the record is not
// in, then put a folder or an entry, each taking up the macro the same way. The units go to a
// buffered sink; this class holds only the format's rules.
class Writer final : public TextSink {
public:
    explicit Writer(ByteSink& sink) : out_(sink) {}

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
        out_.flush();
    }
    // True once a write to the sink failed.
    bool failed() const noexcept { return out_.failed(); }

private:
    void put(Text s) override { out_.put(s); }
    std::size_t indent() const noexcept { return std::min(folders_.depth(), kMaxIndent); }
    void put_indent() { out_.put_prefix(tabs_, indent()); }
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
    // A text the plan writes on one line: escape_text's output for it, with no second search.
    void put_line_text(Text data, bool escape) {
        if (escape) put(marker_text(Marker::ESC));
        put(data);
    }
    void put_folder(const EntryRecord& r);
    void put_macro(const EntryRecord& r);
    void put_entry(const EntryRecord& r);
    void switch_kind(uint8_t kind);
    void put_bare(BareMode mode, Text data, bool escape);
    void put_single_line(int8_t letterCode, Text title, Text data, bool escape);
    void put_data_header(Marker m, int8_t letterCode, Text title);
    void put_block(const EntryRecord& r, Text title, Text data);
    void put_prefixed(Marker m, Text text);

    BufferedSink out_;
    std::u16string tabs_ = std::u16string(kMaxIndent, u'\t');
    std::u16string title_scratch_;  // where header_title puts a title it has to change
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
    put(header_title(view_of(r.title), title_room(indent(), used), title_scratch_));
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
    TextPlan plan = plan_text(view_of(r.title), data, r.letterCode, indent(), title_scratch_);
    switch_kind(r.kind);
    if (std::optional<BareMode> mode = bare_mode_of(plan.form))
        put_bare(*mode, data, plan.escape_line);
    else if (plan.form == Form::SingleLine)
        put_single_line(r.letterCode, plan.header_title, data, plan.escape_line);
    else
        put_block(r, plan.header_title, data);
}

// Only kinds 1 and 2 switch: an entry of any other kind reads back as the kind then in force.
void Writer::switch_kind(uint8_t kind) {
    if ((kind != PELTATXT_KIND_ONE_TIME && kind != PELTATXT_KIND_LOCKED) || kind == item_kind_) return;
    put_switch_line(kind == PELTATXT_KIND_ONE_TIME ? Marker::OneTime : Marker::Locked);
    item_kind_ = kind;
}

void Writer::put_bare(BareMode mode, Text data, bool escape) {
    if (bare_mode_ != mode) {
        put_switch_line(switch_marker(mode));
        bare_mode_ = mode;
    }
    if (mode == BareMode::TRM) put_indent();
    put_line_text(data, escape);
    if (mode != BareMode::NTR) put(kLineBreak);
}

void Writer::put_single_line(int8_t letterCode, Text title, Text data, bool escape) {
    put_data_header(Marker::SDT, letterCode, title);
    put_line_text(data, escape);
    put(kLineBreak);
}

// The marker, letter code and title of an SDT or DAT line, up to and including the terminator.
void Writer::put_data_header(Marker m, int8_t letterCode, Text title) {
    put_indent();
    put(marker_text(m));
    // A title that begins like a letter code would lose its start to one: writing that code
    // keeps the whole title, and only the letter code differs.
    int8_t code = has_letter_code(letterCode)         ? letterCode
                  : begins_like_letter_code(title) ? letter_code_of(title[0])
                                                   : int8_t(0);
    if (code != 0) {
        put(kCodeLetters.substr(static_cast<std::size_t>(code - 1), 1));
        put(u"|");
    }
    put(title);
    put(kTitleEnd);
}

void Writer::put_block(const EntryRecord& r, Text title, Text data) {
    // Without a macro a block is set off by an empty line; a macro's lines were (see put_macro).
    if (view_of(r.macro).empty()) put(kLineBreak);
    put_data_header(Marker::DAT, r.letterCode, title);
    put(kLineBreak);
    escape_text(data, EscapeScope::LineAndPieceStarts, *this);
    put(kLineBreak);
    put_indent();
    put(marker_text(Marker::DED));
    put(kLineBreak);
    put(kLineBreak);
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
        std::size_t lf = find_unit(text, u'\n', start);
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

bool write_list(const EntryListObject* list, ByteSink& sink) {
    Writer writer(sink);
    writer.start();
    for (const EntryRecord& r : RecordRange(list)) {
        writer.record(r);
        if (writer.failed()) return false;
    }
    writer.finish();
    return !writer.failed();
}

Form choose_form(Text title, Text data, int8_t letterCode, std::size_t indent) {
    std::u16string scratch;
    return plan_text(title, data, letterCode, indent, scratch).form;
}

std::string write_memory(const EntryListObject* list) {
    std::string bytes;
    MemorySink sink(bytes);
    write_list(list, sink);
    return bytes;
}

}  // namespace peltatxt
