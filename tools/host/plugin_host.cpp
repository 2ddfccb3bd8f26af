// plugin_host.cpp — run-time loading of the plug-in, and host-side strings and lists in the shared layout.
#include "plugin_host.h"

#include "model/memory.h"
#include "text/utf8.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace peltatxt::host {
namespace {

std::string dirname_of(const std::string& p) {
    std::size_t slash = p.find_last_of("/\\");
    return slash == std::string::npos ? std::string(".") : p.substr(0, slash);
}

}  // namespace

std::unique_ptr<Plugin> Plugin::load(const std::string& path, std::string& error) {
    std::unique_ptr<Plugin> p(new Plugin);
    p->path_ = path;
#if defined(_WIN32)
    std::u16string wide = utf16_replacing(path);
    HMODULE lib = LoadLibraryW(reinterpret_cast<const wchar_t*>(wide.c_str()));
    if (!lib) {
        error = path + ": cannot load the plug-in (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    p->lib_ = lib;
    auto resolve = [&](auto& fn, const char* name) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
        if (!fn && error.empty()) error = path + ": the plug-in has no export named " + name;
    };
#else
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        const char* why = dlerror();
        error = path + ": cannot load the plug-in: " + (why ? why : "unknown error");
        return nullptr;
    }
    p->lib_ = lib;
    auto resolve = [&](auto& fn, const char* name) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
        if (!fn && error.empty()) error = path + ": the plug-in has no export named " + name;
    };
#endif
    error.clear();
    resolve(p->initDLL, "initDLL");
    resolve(p->endDLL, "endDLL");
    resolve(p->isUnicode, "isUnicode");
    resolve(p->getFormatName, "getFormatName");
    resolve(p->getExtension, "getExtension");
    resolve(p->readDataFile, "readDataFile");
    resolve(p->writeDataFile, "writeDataFile");
    resolve(p->convertMacro, "convertMacro");
    if (!error.empty()) return nullptr;
    p->initDLL();
    return p;
}

Plugin::~Plugin() {
    if (!lib_) return;
    if (endDLL) endDLL();
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(lib_));
#else
    dlclose(lib_);
#endif
}

const EntryListObject* Plugin::read(std::u16string_view path) { return readDataFile(make_string(path)); }

namespace {
#if defined(_WIN32)
int errno_of(DWORD code) {
    switch (code) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return ENOSPC;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return EBUSY;
        case ERROR_FILE_TOO_LARGE: return EFBIG;
        case ERROR_ACCESS_DENIED: return EACCES;
        case ERROR_PATH_NOT_FOUND: return ENOENT;
        case ERROR_WRITE_PROTECT: return EROFS;
        case ERROR_NOT_ENOUGH_MEMORY: return ENOMEM;
        default: return 0;
    }
}
#endif
}  // namespace

bool Plugin::write(std::u16string_view path, const EntryListObject* list, int& error) {
    peltatxt_unit* handle = make_string(path);
#if defined(_WIN32)
    SetLastError(0);
    bool ok = writeDataFile(handle, list) != 0;
    error = ok ? 0 : errno_of(GetLastError());
#else
    errno = 0;
    bool ok = writeDataFile(handle, list) != 0;
    error = ok ? 0 : errno;
#endif
    return ok;
}

std::u16string Plugin::format_name() {
    peltatxt_unit buffer[64] = {};
    getFormatName(buffer, sizeof buffer);
    return std::u16string(buffer);
}

std::u16string Plugin::extension() {
    peltatxt_unit buffer[64] = {};
    getExtension(buffer, sizeof buffer);
    return std::u16string(buffer);
}

#ifndef PELTATXT_PLUGIN_DIR_FROM_TOOL
#define PELTATXT_PLUGIN_DIR_FROM_TOOL "."
#endif
#ifndef PELTATXT_OLD_PLUGIN_DIR_FROM_TOOL
#define PELTATXT_OLD_PLUGIN_DIR_FROM_TOOL PELTATXT_PLUGIN_DIR_FROM_TOOL
#endif

std::string default_plugin_path(const char* argv0) {
#if defined(_WIN32)
    if (const wchar_t* chosen = _wgetenv(L"PELTATXT_PLUGIN"); chosen && *chosen)
        return utf8_replacing(reinterpret_cast<const char16_t*>(chosen));
    const char* name = "peltatxt.dll";
    wchar_t self[32768];
    DWORD n = GetModuleFileNameW(nullptr, self, 32768);
    std::string exe = n ? utf8_replacing(std::u16string(reinterpret_cast<const char16_t*>(self), n)) : std::string(argv0);
#else
    if (const char* chosen = std::getenv("PELTATXT_PLUGIN"); chosen && *chosen) return chosen;
    const char* name = "libpeltatxt.so";
    std::string exe = argv0;
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) exe.assign(self, static_cast<std::size_t>(n));
#endif
    // Beside the tool (a copied tool, the Windows zip); where the install puts it relative to the
    // tool (bin/ and lib/<multiarch>/peltatxt/), then where installs up to 1.0.0 put it
    // (lib/<multiarch>/); in the build tree the tool lives in build/tools/, the library in build/.
    std::string dir = dirname_of(exe);
    const std::string candidates[] = {dir + "/" + name, dir + "/" PELTATXT_PLUGIN_DIR_FROM_TOOL "/" + name,
                                      dir + "/" PELTATXT_OLD_PLUGIN_DIR_FROM_TOOL "/" + name,
                                      dirname_of(dir) + "/" + name};
    for (const std::string& candidate : candidates) {
#if defined(_WIN32)
        std::u16string w = utf16_replacing(candidate);
        if (GetFileAttributesW(reinterpret_cast<const wchar_t*>(w.c_str())) != INVALID_FILE_ATTRIBUTES) return candidate;
#else
        if (access(candidate.c_str(), F_OK) == 0) return candidate;
#endif
    }
    return dir + "/" + name;
}

peltatxt_unit* make_string(std::u16string_view text) {
    auto* h = static_cast<PeltaStringHeader*>(memory::allocate(sizeof(PeltaStringHeader) + (text.size() + 1) * 2));
    h->refs = 1;
    h->length = static_cast<int32_t>(text.size());
    h->capacity = static_cast<int32_t>(text.size());
    auto* units = reinterpret_cast<peltatxt_unit*>(h + 1);
    if (!text.empty()) std::memcpy(units, text.data(), text.size() * 2);
    units[text.size()] = 0;
    return units;
}

void release_string(peltatxt_unit* handle) {
    if (!handle) return;
    auto* h = reinterpret_cast<PeltaStringHeader*>(handle) - 1;
    if (h->refs < 0) return;
    if (--h->refs == 0) memory::release(h);
}

std::u16string text_of(const peltatxt_unit* handle) {
    if (!handle) return {};
    const auto* h = reinterpret_cast<const PeltaStringHeader*>(handle) - 1;
    return h->length > 0 ? std::u16string(handle, static_cast<std::size_t>(h->length)) : std::u16string();
}

HostList::HostList() {
    sentinel_.next = sentinel_.prev = &sentinel_;
    object_.sentinel = &sentinel_;
}

HostList::HostList(const std::vector<Record>& records) : HostList() {
    for (const Record& r : records) append(r);
}

HostList::~HostList() {
    for (EntryNode* n = sentinel_.next; n != &sentinel_;) {
        EntryNode* next = n->next;
        release_string(n->record.title);
        release_string(n->record.data);
        release_string(n->record.macro);
        delete n;
        n = next;
    }
}

void HostList::append(const Record& r) {
    auto* n = new EntryNode{};
    n->record.kind = r.kind;
    n->record.letterCode = r.letterCode;
    n->record.id = r.id;
    n->record.parentId = r.parentId;
    n->record.auxA = r.auxA;
    n->record.auxB = r.auxB;
    n->record.title = make_string(r.title);
    n->record.data = make_string(r.data);
    n->record.macro = make_string(r.macro);
    n->next = &sentinel_;
    n->prev = sentinel_.prev;
    sentinel_.prev->next = n;
    sentinel_.prev = n;
    ++object_.count;
}

std::vector<Record> records_of(const EntryListObject* list) {
    std::vector<Record> out;
    if (!list || !list->sentinel) return out;
    for (const EntryNode* n = list->sentinel->next; n && n != list->sentinel; n = n->next) {
        Record r;
        r.kind = n->record.kind;
        r.letterCode = n->record.letterCode;
        r.id = n->record.id;
        r.parentId = n->record.parentId;
        r.auxA = n->record.auxA;
        r.auxB = n->record.auxB;
        r.title = text_of(n->record.title);
        r.data = text_of(n->record.data);
        r.macro = text_of(n->record.macro);
        out.push_back(std::move(r));
    }
    return out;
}

std::u16string utf16_replacing(std::string_view s) {
    std::u16string out;
    append_utf16(out, s, LoneSurrogates::Replace);
    return out;
}

std::string utf8_replacing(std::u16string_view s) {
    std::string out;
    append_utf8(out, s, LoneSurrogates::Replace);
    return out;
}

}  // namespace peltatxt::host
