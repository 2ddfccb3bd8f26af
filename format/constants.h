// constants.h — the format's fixed facts (markers, bare-line modes, header pieces, kinds, letter codes), header-only so that the codec, the tool, the tests, the fuzz targets and the benchmarks share one copy.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include <entry_layout.h>

namespace peltatxt {

using Text = std::u16string_view;

// The reserved line markers, in the order the reader tests them (ESC last).
enum class Marker : uint8_t { CMT, FCM, MAC, OneTime, Locked, NTR, DNL, TRM, FLD, FED, DAT, SDT, DED, ESC };
inline constexpr std::size_t kMarkerCount = 14;

// Every marker is this prefix, a three-letter tag and "|_"; the three headers (FLD, DAT, SDT)
// end in "|" alone, as their line goes on with flags, a letter code or a title.
inline constexpr Text kMarkerPrefix = u"_|PELTATXT-";
inline constexpr std::array<Text, kMarkerCount> kMarkers = {
    u"_|PELTATXT-CMT|_", u"_|PELTATXT-FCM|_", u"_|PELTATXT-MAC|_", u"_|PELTATXT-1TM|_", u"_|PELTATXT-LCK|_",
    u"_|PELTATXT-NTR|_", u"_|PELTATXT-DNL|_", u"_|PELTATXT-TRM|_", u"_|PELTATXT-FLD|",  u"_|PELTATXT-FED|_",
    u"_|PELTATXT-DAT|",  u"_|PELTATXT-SDT|",  u"_|PELTATXT-DED|_", u"_|PELTATXT-ESC|_",
};
constexpr Text marker_text(Marker m) noexcept { return kMarkers[static_cast<std::size_t>(m)]; }

// How bare lines become entries, as the NTR, DNL and TRM switch lines set it: the text keeps the
// line break, drops it, or is the trimmed title. Reader and writer both start in TRM.
enum class BareMode : uint8_t { NTR, DNL, TRM };
inline constexpr BareMode kFirstBareMode = BareMode::TRM;
constexpr Marker switch_marker(BareMode mode) noexcept {
    switch (mode) {
        case BareMode::NTR: return Marker::NTR;
        case BareMode::DNL: return Marker::DNL;
        case BareMode::TRM: break;
    }
    return Marker::TRM;
}

inline constexpr std::size_t kHeaderLength = 15;  // FLD, DAT and SDT
inline constexpr std::size_t kMarkerLength = 16;  // every other marker
inline constexpr Text kTitleEnd = u"|_";
inline constexpr Text kFlagH = u"H|";
inline constexpr Text kFlagO = u"O|";
inline constexpr Text kLineBreak = u"\r\n";
// The file's name ending, which an export gives the file it writes.
inline constexpr Text kExtension = u".peltatxt";

// The letters of the letter codes 1..7, each followed by "|" in a data header.
inline constexpr Text kCodeLetters = u"DERSCPK";
constexpr bool has_letter_code(int8_t code) noexcept { return code >= 1 && code <= 7; }
// The letter of a letter code, or 0 for a value that is none.
constexpr char16_t code_letter(int8_t code) noexcept {
    return has_letter_code(code) ? kCodeLetters[static_cast<std::size_t>(code - 1)] : char16_t(0);
}
// The letter code a letter stands for, or 0.
constexpr int8_t letter_code_of(char16_t letter) noexcept {
    std::size_t at = kCodeLetters.find(letter);
    return at == Text::npos ? int8_t(0) : static_cast<int8_t>(at + 1);
}

constexpr bool is_folder(uint8_t kind) noexcept { return (kind & PELTATXT_KIND_FOLDER_MASK) != 0; }
// The kinds that reading produces: entries one-time or locked; folders plain or H, each with
// or without O.
inline constexpr std::array<uint8_t, 2> kEntryKinds = {PELTATXT_KIND_ONE_TIME, PELTATXT_KIND_LOCKED};
inline constexpr std::array<uint8_t, 4> kFolderKinds = {
    PELTATXT_KIND_FOLDER, PELTATXT_KIND_FOLDER_H, PELTATXT_KIND_FOLDER | PELTATXT_KIND_FOLDER_O,
    PELTATXT_KIND_FOLDER_H | PELTATXT_KIND_FOLDER_O};
constexpr bool is_read_kind(uint8_t kind) noexcept {
    for (uint8_t k : kEntryKinds)
        if (k == kind) return true;
    for (uint8_t k : kFolderKinds)
        if (k == kind) return true;
    return false;
}

}  // namespace peltatxt
