// rules.h — the format's rules that the codec and the tool apply alike (output name, folder nesting, folder flags, titles that begin like a letter code), header-only so the tool needs no codec.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "format/constants.h"

namespace peltatxt {

// Path separators: '/' on POSIX; '\' or '/' on Windows. A path without one names a file in the
// current directory, which the output name then spells out.
constexpr bool is_path_separator(char16_t c) noexcept {
#if defined(_WIN32)
    return c == u'\\' || c == u'/';
#else
    return c == u'/';
#endif
}
#if defined(_WIN32)
inline constexpr Text kCurrentDirectory = u".\\";
#else
inline constexpr Text kCurrentDirectory = u"./";
#endif

// The file an export goes to: the directory and stem of path plus ".peltatxt". The directory
// ends at the last separator, or is the current directory when the path has none; the stem ends
// at the last full stop after it (a full stop in a directory name starts no extension).
inline std::u16string output_path(Text path) {
    std::size_t stem_start = path.size();
    while (stem_start > 0 && !is_path_separator(path[stem_start - 1])) --stem_start;
    std::size_t dot = path.rfind(u'.');
    std::size_t stem_end = dot != Text::npos && dot >= stem_start ? dot : path.size();
    std::u16string out(stem_start == 0 ? kCurrentDirectory : path.substr(0, stem_start));
    out.append(path.substr(stem_start, stem_end - stem_start));
    out.append(kExtension);
    return out;
}

// The folders open at each point of a list, as the writer nests them: a record belongs to the
// innermost open folder whose id is its parentId, the folders opened after that one close before
// it, and a record that names no open folder closes them all. So the tree comes out as the host
// keeps it only for a list in pre-order, every folder directly followed by all it holds.
// Folder is what the caller keeps of an open folder (its id, or its position in the list).
template <class Folder>
class OpenFolders {
public:
    // Closes the folders that do not hold a record with this parentId, innermost first, calling
    // closed() after each; id_of(folder) gives a kept folder's id.
    template <class IdOf, class Closed>
    void close_for(int32_t parentId, IdOf&& id_of, Closed&& closed) {
        close_until([&](const Folder& f) { return id_of(f) == parentId; }, closed);
    }
    // The same for a record whose folder is the one holds(folder) is true for.
    template <class Holds, class Closed>
    void close_until(Holds&& holds, Closed&& closed) {
        while (!open_.empty() && !holds(open_.back())) {
            open_.pop_back();
            closed();
        }
    }
    template <class Closed>
    void close_all(Closed&& closed) {
        while (!open_.empty()) {
            open_.pop_back();
            closed();
        }
    }
    void open(const Folder& f) { open_.push_back(f); }
    bool empty() const noexcept { return open_.empty(); }
    std::size_t depth() const noexcept { return open_.size(); }
    const Folder& innermost() const noexcept { return open_.back(); }

private:
    std::vector<Folder> open_;
};

// The position a record at top level has for its folder's.
inline constexpr std::ptrdiff_t kTopLevel = -1;

// The nesting of a list by position, as the writer nests it (OpenFolders): for every record (of
// any type with id, parentId and kind), the position of the folder that holds it, or kTopLevel.
template <class List>
std::vector<std::ptrdiff_t> folder_positions(const List& list) {
    std::vector<std::ptrdiff_t> parents(list.size(), kTopLevel);
    OpenFolders<std::size_t> open;  // positions of the open folders
    for (std::size_t i = 0; i < list.size(); ++i) {
        open.close_for(list[i].parentId, [&](std::size_t p) { return list[p].id; }, [] {});
        if (!open.empty()) parents[i] = static_cast<std::ptrdiff_t>(open.innermost());
        if (is_folder(list[i].kind)) open.open(i);
    }
    return parents;
}

// "H|" or "O|" is read as a folder flag where its first occurrence after the FLD marker begins
// within this many units, whether the writer put it there or it belongs to the title.
inline constexpr std::size_t kFlagWindow = 3;

struct FolderFlags {
    uint8_t kind = PELTATXT_KIND_FOLDER;  // 4 or 8, plus 0x10 for "O|"
    std::size_t title_start = 0;          // where the title starts in the units after the marker
};
// What the units of a folder header after its marker give: the flags, and where the title starts.
constexpr FolderFlags read_folder_flags(Text after_marker) noexcept {
    FolderFlags f;
    std::size_t at = after_marker.find(kFlagH);
    if (at < kFlagWindow) {
        f.kind = PELTATXT_KIND_FOLDER_H;
        f.title_start = at + kFlagH.size();
    }
    at = after_marker.find(kFlagO);
    if (at < kFlagWindow) {
        f.kind |= PELTATXT_KIND_FOLDER_O;
        if (at >= f.title_start) f.title_start = at + kFlagO.size();
    }
    return f;
}

// The kind a folder comes back with from the flags the writer writes for it: "H|" when its folder
// bits are 8 alone, "O|" when 0x10 is set.
constexpr uint8_t written_folder_kind(uint8_t kind) noexcept {
    bool h = (kind & PELTATXT_KIND_FOLDER_MASK) == PELTATXT_KIND_FOLDER_H;
    return static_cast<uint8_t>((h ? PELTATXT_KIND_FOLDER_H : PELTATXT_KIND_FOLDER) | (kind & PELTATXT_KIND_FOLDER_O));
}

// The letter code that the units after a DAT or SDT marker begin with (a code letter and "|"), or 0.
constexpr int8_t letter_code_at(Text after_marker) noexcept {
    return after_marker.size() >= 2 && after_marker[1] == u'|' ? letter_code_of(after_marker[0]) : int8_t(0);
}

// A title that a data header without letter code would read as one: a code letter and "|", or a
// code letter alone, which the "|" of the title terminator completes.
constexpr bool begins_like_letter_code(Text title) noexcept {
    return !title.empty() && letter_code_of(title[0]) != 0 && (title.size() == 1 || title[1] == u'|');
}

}  // namespace peltatxt
