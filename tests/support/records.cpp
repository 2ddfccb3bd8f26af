// records.cpp — record builders and the readable form of records and texts.
#include "support/records.h"

#include <cstdio>

namespace peltatxt::testing {

Rec rec(uint8_t kind, int32_t id, int32_t parent, std::u16string title, std::u16string data, std::u16string macro,
        int8_t code) {
    Rec r;
    r.kind = kind;
    r.letterCode = code;
    r.id = id;
    r.parentId = parent;
    r.title = std::move(title);
    r.data = std::move(data);
    r.macro = std::move(macro);
    return r;
}

Rec folder(int32_t id, int32_t parent, std::u16string title, uint8_t kind) {
    return rec(kind, id, parent, std::move(title));
}

Rec entry(int32_t id, int32_t parent, std::u16string title, std::u16string data, uint8_t kind) {
    return rec(kind, id, parent, std::move(title), std::move(data));
}

std::string narrow(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) {
        if (c == u'\r')
            out += "\\r";
        else if (c == u'\n')
            out += "\\n";
        else if (c == u'\t')
            out += "\\t";
        else if (c >= 0x20 && c < 0x7F)
            out.push_back(static_cast<char>(c));
        else {
            char buf[12];
            std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
            out += buf;
        }
    }
    return out;
}

bool same_content(const Rec& a, const Rec& b) {
    return a.kind == b.kind && a.letterCode == b.letterCode && a.title == b.title && a.data == b.data &&
           a.macro == b.macro;
}

std::string describe(const Rec& r) {
    char head[128];
    std::snprintf(head, sizeof head, "{kind %d code %d id %d parent %d ", r.kind, r.letterCode, r.id, r.parentId);
    std::string out = head;
    if (r.auxA || r.auxB) {
        std::snprintf(head, sizeof head, "aux %d %d ", r.auxA, r.auxB);
        out += head;
    }
    out += "title \"";
    out += narrow(r.title);
    out += "\" data \"";
    out += narrow(r.data);
    out += "\" macro \"";
    out += narrow(r.macro);
    out += "\"}";
    return out;
}

}  // namespace peltatxt::testing
