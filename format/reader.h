// reader.h — turns the bytes of the text format, from a byte source, into records: the work behind readDataFile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "format/constants.h"
#include "model/entry_list.h"
#include "model/shared_string.h"
#include "text/line_pieces.h"

namespace peltatxt {

// Applies lines, one piece at a time, to a list: one pass with a small explicit state.
class Reader {
public:
    // The first record gets first_id, read as a two's-complement int32; the next ones count up.
    Reader(EntryListObject& list, uint32_t first_id) : list_(list), next_id_(first_id) {}
    // Applies one line piece; breaks_at_end as LinePieceReader::breaks_at_end() tells of it.
    void feed(Text piece, bool breaks_at_end = false);  // throws std::bad_alloc

private:
    // The next id, and the innermost open folder as parent.
    void set_id_and_parent(NewRecord& r) noexcept;
    void take_macro(NewRecord& r);
    void on_folder(Text stripped);
    void on_single_line(Text line, Text stripped);
    void on_block_start(Text stripped);
    void on_block_end();
    void on_bare_line(Text raw, Text stripped);

    EntryListObject& list_;
    uint32_t next_id_;  // wraps around like a 32-bit two's-complement counter
    std::vector<int32_t> folders_;
    uint8_t item_kind_ = PELTATXT_KIND_LOCKED;
    BareMode bare_mode_ = kFirstBareMode;
    int8_t letter_code_ = 0;
    bool in_block_ = false;
    NewRecord block_;             // the record a data block builds, all but its text
    SharedStringBuilder block_text_;  // the block's text so far, in the block it is handed over in
    std::u16string comment_;      // folder-comment lines waiting for the next folder
    std::u16string macro_;        // macro lines waiting for the next record
    std::u16string scratch_;      // stripped lines that classify had to copy
    std::u16string line_text_;    // a bare line's text without line breaks
};

// Empties list, then fills it from every byte of source (a byte-order mark first is skipped),
// numbering records from first_id. False when reading the source fails; the list is empty then.
// Throws std::bad_alloc, the list then being empty.
bool read_source(ByteSource& source, EntryListObject& list, uint32_t first_id);

// Empties list, then fills it from a whole file's bytes held in memory (byte-order mark and all),
// numbering records from first_id. Throws std::bad_alloc, the list then being empty.
void read_memory(std::span<const std::byte> bytes, EntryListObject& list, uint32_t first_id);

}  // namespace peltatxt
