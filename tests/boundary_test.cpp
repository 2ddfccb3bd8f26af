// boundary_test.cpp — the eight exports, loaded at run time by name as the host loads them.
#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "peltatxt.h"

extern "C" int peltatxt_c_layout_ok(void);

namespace {

// Loading by name and string blocks the way the host does it: LoadLibraryW and the process heap on
// Windows, dlopen and malloc elsewhere.
#if defined(_WIN32)
void* open_library(const char* path) {
    std::string narrow(path);
    return LoadLibraryW(std::wstring(narrow.begin(), narrow.end()).c_str());
}
void* find_export(void* lib, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(lib), name));
}
void close_library(void* lib) { FreeLibrary(static_cast<HMODULE>(lib)); }
std::string load_error() { return "LoadLibraryW failed with error " + std::to_string(GetLastError()); }
void* block_alloc(std::size_t bytes) { return HeapAlloc(GetProcessHeap(), 0, bytes); }
void block_free(void* block) { HeapFree(GetProcessHeap(), 0, block); }
unsigned long process_id() { return GetCurrentProcessId(); }
#else
void* open_library(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
void* find_export(void* lib, const char* name) { return dlsym(lib, name); }
void close_library(void* lib) { dlclose(lib); }
std::string load_error() {
    const char* why = dlerror();
    return why ? why : "";
}
void* block_alloc(std::size_t bytes) { return std::malloc(bytes); }
void block_free(void* block) { std::free(block); }
unsigned long process_id() { return static_cast<unsigned long>(getpid()); }
#endif

struct Plugin {
    void* lib = nullptr;
    void (*initDLL)() = nullptr;
    void (*endDLL)() = nullptr;
    uint8_t (*isUnicode)() = nullptr;
    void (*getFormatName)(peltatxt_unit*, uint32_t) = nullptr;
    void (*getExtension)(peltatxt_unit*, uint32_t) = nullptr;
    EntryListObject* (*readDataFile)(peltatxt_unit*) = nullptr;
    uint8_t (*writeDataFile)(peltatxt_unit*, const EntryListObject*) = nullptr;
    uint8_t (*convertMacro)() = nullptr;

    Plugin() {
        lib = open_library(PELTATXT_PLUGIN_PATH);
        if (!lib) return;
        load(initDLL, "initDLL");
        load(endDLL, "endDLL");
        load(isUnicode, "isUnicode");
        load(getFormatName, "getFormatName");
        load(getExtension, "getExtension");
        load(readDataFile, "readDataFile");
        load(writeDataFile, "writeDataFile");
        load(convertMacro, "convertMacro");
    }
    ~Plugin() {
        if (lib) close_library(lib);
    }
    template <class F>
    void load(F& f, const char* name) {
        f = reinterpret_cast<F>(find_export(lib, name));
    }
};

// A string block as the host makes it: count 1, handed over by value.
peltatxt_unit* host_string(const std::u16string& s) {
    auto* h = static_cast<PeltaStringHeader*>(block_alloc(sizeof(PeltaStringHeader) + (s.size() + 1) * 2));
    h->refs = 1;
    h->length = static_cast<int32_t>(s.size());
    h->capacity = static_cast<int32_t>(s.size());
    auto* units = reinterpret_cast<peltatxt_unit*>(h + 1);
    std::memcpy(units, s.data(), s.size() * 2);
    units[s.size()] = 0;
    return units;
}

class Boundary : public ::testing::Test {
protected:
    static void SetUpTestSuite() { plugin = new Plugin; }
    static void TearDownTestSuite() {
        delete plugin;
        plugin = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(plugin->lib, nullptr) << load_error();
        plugin->initDLL();
        dir = std::filesystem::temp_directory_path() / ("peltatxt-boundary-" + std::to_string(process_id()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        plugin->endDLL();
        std::filesystem::remove_all(dir);
    }
    std::u16string file(const char* name, const std::string& bytes) {
        auto p = dir / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.u16string();
    }
    static Plugin* plugin;
    std::filesystem::path dir;
};
Plugin* Boundary::plugin = nullptr;

TEST_F(Boundary, AllEightExportsResolveByName) {
    EXPECT_TRUE(plugin->initDLL && plugin->endDLL && plugin->isUnicode && plugin->getFormatName &&
                plugin->getExtension && plugin->readDataFile && plugin->writeDataFile && plugin->convertMacro);
    EXPECT_EQ(peltatxt_c_layout_ok(), 1);
}

TEST_F(Boundary, IdentityAnswers) {
    EXPECT_EQ(plugin->isUnicode(), 1);
    EXPECT_EQ(plugin->convertMacro(), 0);
}

TEST_F(Boundary, NamesRespectTheCapacityInBytesOrUnits) {
    const std::u16string name = u"Unicode\u30C6\u30AD\u30B9\u30C8";
    struct Case {
        void (*fn)(peltatxt_unit*, uint32_t);
        std::u16string text;
        uint32_t capacity;
        std::u16string expected;  // empty: untouched
    };
    const Case cases[] = {
        {plugin->getFormatName, name, 0, u""},
        {plugin->getFormatName, name, 3, u""},
        {plugin->getFormatName, name, 4, u"U"},
        {plugin->getFormatName, name, 12, u"Unico"},
        {plugin->getFormatName, name, 24, name},
        {plugin->getFormatName, name, 64, name},
        {plugin->getExtension, u"*", 3, u""},
        {plugin->getExtension, u"*", 4, u"*"},
        {plugin->getExtension, u"*", 64, u"*"},
    };
    for (const Case& c : cases) {
        peltatxt_unit buffer[40];
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        c.fn(buffer, c.capacity);
        if (c.expected.empty()) {
            EXPECT_EQ(buffer[0], u'#') << c.capacity;
            continue;
        }
        EXPECT_EQ(std::u16string(buffer, c.expected.size()), c.expected) << c.capacity;
        EXPECT_EQ(buffer[c.expected.size()], 0) << c.capacity;
        // Nothing written past the capacity counted in bytes.
        for (std::size_t i = c.capacity / 2; i < 40; ++i) EXPECT_EQ(buffer[i], u'#') << c.capacity << " at " << i;
    }
}

TEST_F(Boundary, ResultListLivesFromFirstReadToEnd) {
    std::u16string good = file("good.txt", std::string("\xFF\xFE" "a\0\n\0", 6));
    EntryListObject* first = plugin->readDataFile(host_string(good));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->count, 1u);
    EXPECT_EQ(plugin->readDataFile(host_string((dir / "missing").u16string())), nullptr);
    EXPECT_EQ(first->count, 0u) << "a failed read leaves the list present and empty";
    EntryListObject* again = plugin->readDataFile(host_string(good));
    EXPECT_EQ(again, first);
    EXPECT_EQ(again->count, 1u);
    plugin->endDLL();
    plugin->endDLL();  // harmless
}

TEST_F(Boundary, InitForgetsTheListWithoutFreeingIt) {
    std::u16string good = file("good.txt", std::string("\xFF\xFE" "a\0\n\0", 6));
    EntryListObject* first = plugin->readDataFile(host_string(good));
    ASSERT_NE(first, nullptr);
    plugin->initDLL();
    EXPECT_EQ(first->count, 1u) << "still readable: initDLL frees nothing";
    EntryListObject* second = plugin->readDataFile(host_string(good));
    EXPECT_NE(second, first);
    plugin->endDLL();
    // The forgotten list is the host's to lose; free it here so leak checks stay quiet.
    EntryNode* sentinel = first->sentinel;
    for (EntryNode* n = sentinel->next; n != sentinel;) {
        EntryNode* next = n->next;
        for (peltatxt_unit* s : {n->record.title, n->record.data, n->record.macro}) {
            auto* h = reinterpret_cast<PeltaStringHeader*>(s) - 1;
            if (h->refs > 0 && --h->refs == 0) block_free(h);
        }
        block_free(n);
        n = next;
    }
    block_free(sentinel);
    block_free(first);
}

TEST_F(Boundary, EndWithoutReadDoesNothingAndReadsStillWork) {
    plugin->endDLL();
    plugin->endDLL();
    std::u16string good = file("good.txt", std::string("\xFF\xFE" "a\0\n\0", 6));
    EntryListObject* list = plugin->readDataFile(host_string(good));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count, 1u);
}

TEST_F(Boundary, NullPathsFail) {
    EXPECT_EQ(plugin->readDataFile(nullptr), nullptr);
    EXPECT_EQ(plugin->writeDataFile(nullptr, nullptr), 0);
}

TEST_F(Boundary, EmptyListStillWritesBannerOnly) {
    EntryNode sentinel{};
    sentinel.next = sentinel.prev = &sentinel;
    EntryListObject list{};
    list.sentinel = &sentinel;
    ASSERT_EQ(plugin->writeDataFile(host_string((dir / "empty.txt").u16string()), &list), 1);
    std::ifstream in(dir / "empty.peltatxt", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(bytes.substr(bytes.size() - 8), std::string("\r\0\n\0\r\0\n\0", 8));
    EntryListObject* back = plugin->readDataFile(host_string((dir / "empty.peltatxt").u16string()));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->count, 0u);
}

}  // namespace
