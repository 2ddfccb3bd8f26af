// boundary_test.cpp — the eight exports, loaded at run time by name as the host loads them.
#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>

#include <peltatxt.h>
#include "model/entry_list.h"
#include "plugin_host.h"
#include "support/files.h"
#include "support/temp_dir.h"

extern "C" int peltatxt_c_layout_ok(void);

namespace {
using peltatxt::host::Plugin;
using peltatxt::testing::TempDir;
using peltatxt::testing::u16;


// A string block as the host makes it: count 1, handed over by value.
peltatxt_unit* host_string(const std::u16string& s) { return peltatxt::host::make_string(s); }

// The plug-in loaded by path for the whole suite (tools/host, as the tool loads it), and a fresh
// directory for each test.
class Boundary : public ::testing::Test {
protected:
    static void SetUpTestSuite() { plugin = Plugin::load(PELTATXT_PLUGIN_PATH, load_error).release(); }
    static void TearDownTestSuite() {
        delete plugin;
        plugin = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(plugin, nullptr) << load_error;
        plugin->initDLL();
    }
    void TearDown() override {
        if (plugin) plugin->endDLL();
    }
    std::u16string file(const char* name, const std::string& bytes) {
        peltatxt::testing::write_bytes(dir / name, bytes);
        return u16(dir / name);
    }
    std::u16string path(const char* name) const { return u16(dir / name); }
    static Plugin* plugin;
    static std::string load_error;
    TempDir dir;
};
Plugin* Boundary::plugin = nullptr;
std::string Boundary::load_error;

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
        void(PELTATXT_CALL* fn)(peltatxt_unit*, uint32_t);
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
    EXPECT_EQ(plugin->readDataFile(host_string(path("missing"))), nullptr);
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
    // The forgotten list is the host's to lose; free it here as the component frees its lists (its
    // nodes live in blocks of the list's own), so leak checks stay quiet.
    peltatxt::entry_list::destroy(first);
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
    ASSERT_EQ(plugin->writeDataFile(host_string(path("empty.txt")), &list), 1);
    std::string bytes = peltatxt::testing::read_bytes(dir / "empty.peltatxt");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(bytes.substr(bytes.size() - 8), std::string("\r\0\n\0\r\0\n\0", 8));
    EntryListObject* back = plugin->readDataFile(host_string(path("empty.peltatxt")));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->count, 0u);
}

}  // namespace
