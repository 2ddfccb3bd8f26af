// plugin_host.h — what the host application does: load the plug-in by path, call its exports, own its lists.
//
// Nothing here links the codec: every call goes through the library's exported functions, and
// lists and strings are built in the shared layout with the allocator the header names.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <peltatxt.h>

namespace peltatxt::host {

// The plug-in library, loaded at run time with its eight exports resolved by name.
class Plugin {
public:
    // Null, with a one-line reason in error, when the library cannot be loaded or lacks an export.
    static std::unique_ptr<Plugin> load(const std::string& path, std::string& error);
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    const std::string& path() const { return path_; }

    void (PELTATXT_CALL* initDLL)(void) = nullptr;
    void (PELTATXT_CALL* endDLL)(void) = nullptr;
    uint8_t (PELTATXT_CALL* isUnicode)(void) = nullptr;
    void (PELTATXT_CALL* getFormatName)(peltatxt_unit*, uint32_t) = nullptr;
    void (PELTATXT_CALL* getExtension)(peltatxt_unit*, uint32_t) = nullptr;
    EntryListObject* (PELTATXT_CALL* readDataFile)(peltatxt_unit*) = nullptr;
    uint8_t (PELTATXT_CALL* writeDataFile)(peltatxt_unit*, const EntryListObject*) = nullptr;
    uint8_t (PELTATXT_CALL* convertMacro)(void) = nullptr;

    // Convenience wrappers that pass paths by value as the host does.
    const EntryListObject* read(std::u16string_view path);
    // False when the export failed, with error set to its cause as an errno value (ENOSPC,
    // EBUSY, EFBIG, ...) from errno, or from GetLastError() on Windows; 0 when the plug-in left none.
    bool write(std::u16string_view path, const EntryListObject* list, int& error);
    std::u16string format_name();
    std::u16string extension();

private:
    Plugin() = default;
    void* lib_ = nullptr;
    std::string path_;
};

// The plug-in to load when none is named: the environment variable PELTATXT_PLUGIN if set, else the
// first library found beside the running executable, where the install puts it relative to the
// executable, or in the executable's parent directory (the build tree).
std::string default_plugin_path(const char* argv0);

// A string block with one reference, as the host hands it over by value.
peltatxt_unit* make_string(std::u16string_view text);
void release_string(peltatxt_unit* handle);
std::u16string text_of(const peltatxt_unit* handle);

// One record as plain values.
struct Record {
    uint8_t kind = PELTATXT_KIND_LOCKED;
    int8_t letterCode = 0;
    int32_t id = 0;
    int32_t parentId = -1;
    int32_t auxA = 0;
    int32_t auxB = 0;
    std::u16string title, data, macro;
    friend bool operator==(const Record&, const Record&) = default;
};

// A list the host owns, in the shared layout.
class HostList {
public:
    HostList();
    explicit HostList(const std::vector<Record>& records);  // the records appended in order
    ~HostList();
    HostList(const HostList&) = delete;
    HostList& operator=(const HostList&) = delete;
    void append(const Record& r);
    const EntryListObject* get() const { return &object_; }
    std::size_t size() const { return object_.count; }

private:
    EntryListObject object_{};
    EntryNode sentinel_{};
};

// Copies every record of a list in the shared layout.
std::vector<Record> records_of(const EntryListObject* list);

// UTF-8 <-> UTF-16 for the tools' own input and output, U+FFFD replacing a lone surrogate or
// bytes that are no UTF-8.
std::u16string utf16_replacing(std::string_view s);
std::string utf8_replacing(std::u16string_view s);

}  // namespace peltatxt::host
