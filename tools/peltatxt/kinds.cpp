// kinds.cpp — the table of kind names, and letter codes as letters.
#include "kinds.h"

#include "format/constants.h"

namespace peltatxt::cli {
namespace {

struct KindName {
    uint8_t kind;
    const char* name;
};
constexpr KindName kKindNames[] = {
    {PELTATXT_KIND_ONE_TIME, "one-time"},
    {PELTATXT_KIND_LOCKED, "locked"},
    {PELTATXT_KIND_FOLDER, "folder"},
    {PELTATXT_KIND_FOLDER_H, "folder H"},
    {PELTATXT_KIND_FOLDER | PELTATXT_KIND_FOLDER_O, "folder O"},
    {PELTATXT_KIND_FOLDER_H | PELTATXT_KIND_FOLDER_O, "folder H O"},
};

}  // namespace

std::optional<std::string> kind_name(uint8_t kind) {
    for (const KindName& k : kKindNames)
        if (k.kind == kind) return std::string(k.name);
    return std::nullopt;
}

std::optional<uint8_t> kind_of_name(std::string_view name) {
    for (const KindName& k : kKindNames)
        if (name == k.name) return k.kind;
    return std::nullopt;
}

std::string kind_names(bool quoted) {
    std::string out;
    for (const KindName& k : kKindNames) {
        if (!out.empty()) out += ", ";
        out += quoted ? std::string("\"") + k.name + "\"" : std::string(k.name);
    }
    return out;
}

std::string kind_text(uint8_t kind) { return kind_name(kind).value_or("kind " + std::to_string(kind)); }

std::string letter_code_text(int8_t code) {
    if (char letter = code_letter(code)) return std::string("\"") + letter + "\"";
    return code == 0 ? "none" : std::to_string(code);
}

char code_letter(int8_t letterCode) { return static_cast<char>(peltatxt::code_letter(letterCode)); }

int8_t letter_code_of(std::string_view letter) {
    if (letter.size() != 1) return 0;
    return peltatxt::letter_code_of(static_cast<char16_t>(static_cast<unsigned char>(letter[0])));
}

}  // namespace peltatxt::cli
