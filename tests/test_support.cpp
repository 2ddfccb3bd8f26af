// test_support.cpp — helpers shared by the unit tests.
#include "test_support.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace peltatxt::testing {
namespace fsys = std::filesystem;

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    const char* base = std::getenv("PELTATXT_TMP");
    fsys::path root = base ? fsys::path(base) : fsys::temp_directory_path();
    path_ = root / ("peltatxt-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fsys::remove_all(path_);
    fsys::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    fsys::permissions(path_, fsys::perms::owner_all, fsys::perm_options::add, ec);
    fsys::remove_all(path_, ec);
}

std::u16string u16(const fsys::path& p) { return p.u16string(); }

std::string read_bytes(const fsys::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_bytes(const fsys::path& p, std::string_view bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string utf16le(std::u16string_view text, bool bom) {
    std::string out;
    out.reserve(text.size() * 2 + 2);
    if (bom) out += "\xFF\xFE";
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

std::u16string from_utf16le(std::string_view bytes) {
    std::u16string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return out;
}

void write_text(const fsys::path& p, std::u16string_view text, bool bom) { write_bytes(p, utf16le(text, bom)); }

std::vector<std::string> file_names(const fsys::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fsys::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

Rec folder(int32_t id, int32_t parent, std::u16string title, uint8_t kind) {
    Rec r;
    r.kind = kind;
    r.id = id;
    r.parentId = parent;
    r.title = std::move(title);
    return r;
}

Rec entry(int32_t id, int32_t parent, std::u16string title, std::u16string data, uint8_t kind) {
    Rec r;
    r.kind = kind;
    r.id = id;
    r.parentId = parent;
    r.title = std::move(title);
    r.data = std::move(data);
    return r;
}

EntryList make_list(const std::vector<Rec>& recs) {
    EntryList list;
    for (const Rec& r : recs) {
        NewRecord n;
        n.kind = r.kind;
        n.letterCode = r.letterCode;
        n.id = r.id;
        n.parentId = r.parentId;
        n.title = SharedString(r.title);
        n.data = SharedString(r.data);
        n.macro = SharedString(r.macro);
        list.append(std::move(n));
    }
    return list;
}

std::vector<Rec> records_of(const EntryListObject* list) {
    std::vector<Rec> out;
    for (const EntryRecord& e : RecordRange(list)) {
        Rec r;
        r.kind = e.kind;
        r.letterCode = e.letterCode;
        r.id = e.id;
        r.parentId = e.parentId;
        r.title = std::u16string(view_of(e.title));
        r.data = std::u16string(view_of(e.data));
        r.macro = std::u16string(view_of(e.macro));
        out.push_back(std::move(r));
    }
    return out;
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

std::string describe(const Rec& r) {
    char head[96];
    std::snprintf(head, sizeof head, "{kind %d code %d id %d parent %d ", r.kind, r.letterCode, r.id, r.parentId);
    return head + ("title \"" + narrow(r.title) + "\" data \"" + narrow(r.data) + "\" macro \"" + narrow(r.macro) + "\"}");
}

}  // namespace peltatxt::testing
