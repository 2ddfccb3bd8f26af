# unicode_width.cmake — writes the tool's column-width table from the Unicode data files (run with cmake -P).
#
# -DDATA=<directory of the Unicode Character Database, as Debian's unicode-data ships it>
# -DOUT=<header to write>
# Wide: East Asian Width W or F, Emoji_Presentation, and the blocks that UAX #11 makes wide for
# unassigned code points. Zero: general categories Mn, Me and Cf (but the soft hyphen, which
# terminals show), and the conjoining Hangul vowels and final consonants. Emoji modifiers,
# Extended_Pictographic and the bases of emoji presentation sequences let the tool count an
# emoji sequence as the one glyph it is.

foreach(file EastAsianWidth.txt extracted/DerivedGeneralCategory.txt emoji/emoji-data.txt
             emoji/emoji-variation-sequences.txt)
  if(NOT EXISTS "${DATA}/${file}")
    message(FATAL_ERROR "${DATA}/${file} is missing: install Debian's unicode-data (scripts/deps.sh)")
  endif()
endforeach()

# Appends "{0xFIRST, 0xLAST}," for every line of file that matches pattern to the variable out.
function(ranges file pattern out)
  file(STRINGS "${DATA}/${file}" lines REGEX "${pattern}")
  set(text "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^([0-9A-F]+)(\\.\\.([0-9A-F]+))?")
      set(first "${CMAKE_MATCH_1}")
      set(last "${CMAKE_MATCH_3}")
      if(last STREQUAL "")
        set(last "${first}")
      endif()
      if(NOT first STREQUAL "00AD")
        string(APPEND text "    {0x${first}, 0x${last}},\n")
      endif()
    endif()
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

file(STRINGS "${DATA}/EastAsianWidth.txt" version_line LIMIT_COUNT 1)
string(REGEX REPLACE "^# *" "" version "${version_line}")

ranges(EastAsianWidth.txt "^[0-9A-F.]+;[WF] " east_asian_wide)
ranges(emoji/emoji-data.txt "^[0-9A-F.]+ *; *Emoji_Presentation *#" emoji_presentation)
ranges(extracted/DerivedGeneralCategory.txt "^[0-9A-F.]+ *; *(Mn|Me|Cf) *#" zero_width)
ranges(emoji/emoji-data.txt "^[0-9A-F.]+ *; *Emoji_Modifier *#" emoji_modifier)
ranges(emoji/emoji-data.txt "^[0-9A-F.]+ *; *Extended_Pictographic *#" pictographic)
ranges(emoji/emoji-variation-sequences.txt "^[0-9A-F]+ FE0F *; *emoji style" emoji_style_bases)

file(WRITE "${OUT}" "\
// Written by cmake/unicode_width.cmake from ${version} and the files beside it; do not edit.
#pragma once

namespace peltatxt::cli::unicode_data {

struct Range {
    char32_t first, last;
};

// East Asian Width W and F, Emoji_Presentation, and the wide blocks for unassigned code points.
constexpr Range kWide[] = {
${east_asian_wide}${emoji_presentation}\
    {0x3400, 0x4DBF}, {0x4E00, 0x9FFF}, {0xF900, 0xFAFF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

// Nonspacing and enclosing marks, format characters, conjoining Hangul vowels and finals.
constexpr Range kZero[] = {
${zero_width}\
    {0x1160, 0x11FF}, {0xD7B0, 0xD7FF},
};

// Emoji_Modifier: skin tones, drawn into the emoji before them.
constexpr Range kEmojiModifier[] = {
${emoji_modifier}};

// Extended_Pictographic: what a zero width joiner joins into one emoji.
constexpr Range kPictographic[] = {
${pictographic}};

// Characters that U+FE0F turns into a (wide) emoji.
constexpr Range kEmojiStyleBase[] = {
${emoji_style_bases}};

}  // namespace peltatxt::cli::unicode_data
")
