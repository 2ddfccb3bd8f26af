// reader.cpp — the per-line rules of an import: folders, blocks, single lines, bare lines, switches.
#include "reader.h"

#include "format/markers.h"
#include "text/line_pieces.h"
#include "text/unicode_text.h"

namespace peltatxt {
namespace {

// Appends a line of a comment or macro, with CR LF between lines once the buffer holds text.
void append_prefixed_line(std::u16string& buffer, Text line) {
    if (!buffer.empty()) buffer.append(kLineBreak);
    buffer.append(line);
}

}  // namespace

void Reader::set_id_and_parent(NewRecord& r) noexcept {
    r.parentId = folders_.empty() ? kNoParent : folders_.back();
    r.id = static_cast<int32_t>(next_id_++);
}

void Reader::take_macro(NewRecord& r) {
    r.macro = SharedString(macro_);
    macro_.clear();
}

void Reader::feed(Text piece, bool breaks_at_end) {
    // Only a line whose first non-blank unit is "_" can begin with a marker: a blank line or any
    // other is known from that one test to be plain text, without classifying it.
    Text rest = trim_left(piece);
    if (rest.empty() || rest[0] != kMarkerPrefix[0]) {
        if (in_block_)
            block_text_.append(piece);
        else if (!rest.empty())
            on_bare_line(piece, without_line_breaks(rest, scratch_, breaks_at_end));
        return;
    }
    ClassifiedLine line = classify_after_blanks(piece, rest, scratch_, breaks_at_end);
    Text stripped = line.stripped;
    if (!line.marker) {
        if (in_block_)
            block_text_.append(line.raw);
        else if (!stripped.empty())
            on_bare_line(line.raw, stripped);
        return;
    }
    switch (*line.marker) {
        case Marker::CMT:
        case Marker::ESC:  // an escaped line is plain text, and has no marker
            break;
        case Marker::FCM:
            append_prefixed_line(comment_, trim_right(stripped).substr(kMarkerLength));
            break;
        case Marker::MAC:
            append_prefixed_line(macro_, stripped.substr(kMarkerLength));
            break;
        case Marker::OneTime:
            item_kind_ = PELTATXT_KIND_ONE_TIME;
            break;
        case Marker::Locked:
            item_kind_ = PELTATXT_KIND_LOCKED;
            break;
        case Marker::NTR:
            bare_mode_ = BareMode::NTR;
            break;
        case Marker::DNL:
            bare_mode_ = BareMode::DNL;
            break;
        case Marker::TRM:
            bare_mode_ = BareMode::TRM;
            break;
        case Marker::FLD:
            on_folder(stripped);
            break;
        case Marker::FED:
            if (!folders_.empty()) folders_.pop_back();
            in_block_ = false;
            break;
        case Marker::DAT:
            on_block_start(stripped);
            break;
        case Marker::SDT:
            on_single_line(piece, stripped);
            break;
        case Marker::DED:
            // A block end outside a block belongs to no record and is ignored.
            if (in_block_) on_block_end();
            break;
    }
}

void Reader::on_folder(Text stripped) {
    FolderHeader h = parse_folder_header(stripped);
    NewRecord r;
    r.kind = h.kind;
    r.letterCode = 0;  // folders carry no letter code, even when they cut a coded block short
    set_id_and_parent(r);
    r.title = h.title.empty() ? SharedString(decimal(r.id)) : SharedString(h.title);
    r.data = SharedString(comment_);
    take_macro(r);
    comment_.clear();
    int32_t id = r.id;
    if (folders_.size() == folders_.capacity()) folders_.reserve(2 * folders_.size() + 16);
    entry_list::append(list_, std::move(r));  // the push below cannot fail once the list holds the folder
    folders_.push_back(id);
    in_block_ = false;
}

void Reader::on_single_line(Text line, Text stripped) {
    DataHeader h = parse_data_header(stripped);
    if (h.letterCode) letter_code_ = h.letterCode;
    NewRecord r;
    r.kind = item_kind_;
    r.letterCode = letter_code_;
    set_id_and_parent(r);
    take_macro(r);
    if (h.terminated) {
        Text text = h.rest;
        // The writer escapes a text that begins with a marker; that one escape is not part of it.
        // It is one only as written, right after the terminator: an escape marker that has line
        // breaks inside it (they are left out of the stripped line) is the text's own.
        const Text esc = marker_text(Marker::ESC);
        if (text.starts_with(esc) && line_after_stripped(line, stripped.size() - text.size()).starts_with(esc))
            text.remove_prefix(kMarkerLength);
        r.data = SharedString(text);
        r.title = h.title.empty() ? r.data : SharedString(h.title);
    }
    // A titled entry with an empty text is kept: that is how the writer writes one.
    if (!r.title.empty() || !r.data.empty() || !r.macro.empty()) entry_list::append(list_, std::move(r));
    letter_code_ = 0;
    in_block_ = false;
}

void Reader::on_block_start(Text stripped) {
    DataHeader h = parse_data_header(stripped);
    if (h.letterCode) letter_code_ = h.letterCode;
    block_ = NewRecord();
    block_.kind = item_kind_;
    set_id_and_parent(block_);
    block_.title = SharedString(h.title);
    take_macro(block_);
    block_text_.clear();
    in_block_ = true;
}

void Reader::on_block_end() {
    if (block_text_.view().ends_with(kLineBreak)) block_text_.remove_suffix(kLineBreak.size());
    if (block_text_.empty()) {
        block_.data = block_.title;
    } else {
        Text text = block_text_.view();
        if (block_.title.empty()) block_.title = SharedString(trim(text.substr(0, text.find(u'\n'))));
        block_.data = block_text_.take();
    }
    block_.letterCode = letter_code_;
    if (!block_.data.empty() || !block_.macro.empty()) entry_list::append(list_, std::move(block_));
    block_ = NewRecord();
    letter_code_ = 0;
    in_block_ = false;
}

void Reader::on_bare_line(Text raw, Text stripped) {
    NewRecord r;
    r.kind = item_kind_;
    r.letterCode = letter_code_;
    set_id_and_parent(r);
    r.title = SharedString(trim_right(stripped));
    switch (bare_mode_) {
        case BareMode::NTR:
            r.data = SharedString(raw);
            break;
        case BareMode::DNL:
            line_text_.clear();
            append_without_line_breaks(line_text_, raw);
            r.data = SharedString(line_text_);
            break;
        case BareMode::TRM:
            r.data = r.title;
            break;
    }
    take_macro(r);
    entry_list::append(list_, std::move(r));
}

bool read_source(ByteSource& source, EntryListObject& list, uint32_t first_id) {
    entry_list::clear(list);
    try {
        LinePieceReader pieces(source);
        Reader reader(list, first_id);
        Text piece;
        while (pieces.next(piece)) reader.feed(piece, pieces.breaks_at_end());
        if (!pieces.failed()) return true;
    } catch (...) {
        entry_list::clear(list);
        throw;
    }
    entry_list::clear(list);
    return false;
}

void read_memory(std::span<const std::byte> bytes, EntryListObject& list, uint32_t first_id) {
    MemorySource source(bytes);
    read_source(source, list, first_id);
}

}  // namespace peltatxt
