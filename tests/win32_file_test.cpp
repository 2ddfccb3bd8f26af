// win32_file_test.cpp — the Windows file layer: the status query, devices, paths beyond ASCII and MAX_PATH, and what an export keeps.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

#include "datafile/data_file.h"
#include "format/reader.h"
#include "format/writer.h"
#include "support/entry_lists.h"
#include "support/files.h"
#include "support/records.h"
#include "support/temp_dir.h"
#include "fs/file_system.h"
#include "fs/save_target.h"

namespace peltatxt {
namespace {
using testing::TempDir;
using testing::u16;

// FILETIME ticks (100 ns since 1601) of a moment given in seconds since 1970, and back, with the
// epoch taken from the system rather than from a constant.
uint64_t ticks_of_1970() {
    SYSTEMTIME epoch{};
    epoch.wYear = 1970;
    epoch.wMonth = 1;
    epoch.wDay = 1;
    FILETIME f;
    EXPECT_TRUE(SystemTimeToFileTime(&epoch, &f));
    return (uint64_t{f.dwHighDateTime} << 32) | f.dwLowDateTime;
}
FILETIME filetime(int64_t seconds) {
    uint64_t ticks = ticks_of_1970() + static_cast<uint64_t>(seconds) * 10000000;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}
int64_t seconds_of(FILETIME f) {
    uint64_t ticks = (uint64_t{f.dwHighDateTime} << 32) | f.dwLowDateTime;
    return static_cast<int64_t>((ticks - ticks_of_1970()) / 10000000);
}

TEST(Win32FileStatus, CreationTimeInSecondsSince1970Utc) {
    TempDir dir;
    std::filesystem::path p = dir / "f";
    testing::write_bytes(p, "x");
    // Created in 2001, last written in 2100. Windows keeps the creation time set here; Wine on Linux
    // keeps none and reports the last-write time for it. Either way the status query must give
    // the creation time that the file's handle reports.
    constexpr int64_t kCreated = 1000000000, kWritten = 4102444800;
    HANDLE h = CreateFileW(p.c_str(), FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME created = filetime(kCreated), written = filetime(kWritten);
    EXPECT_TRUE(SetFileTime(h, &created, nullptr, &written));
    FILETIME c, w;
    EXPECT_TRUE(GetFileTime(h, &c, nullptr, &w));
    CloseHandle(h);
    ASSERT_EQ(seconds_of(w), kWritten);
    int64_t seconds = -1;
    ASSERT_TRUE(fs::creation_seconds(u16(p), seconds));
    EXPECT_EQ(seconds, seconds_of(c));
}

TEST(Win32FileStatus, OnlyRegularFilesNamedWithoutPatterns) {
    TempDir dir;
    testing::write_bytes(dir / "a.txt", "x");
    std::filesystem::create_directory(dir / "sub.txt");
    int64_t seconds = 0;
    EXPECT_TRUE(fs::creation_seconds(u16(dir / "a.txt"), seconds));
    EXPECT_TRUE(fs::creation_seconds(u16(dir.path()) + u"\\sub.txt\\..\\a.txt", seconds)) << "resolved to a full path";
    // A pattern would find a.txt, but names no file.
    EXPECT_FALSE(fs::creation_seconds(u16(dir.path()) + u"\\*.txt", seconds));
    EXPECT_FALSE(fs::creation_seconds(u16(dir.path()) + u"\\a.tx?", seconds));
    EXPECT_FALSE(fs::creation_seconds(u16(dir / "sub.txt"), seconds));
    EXPECT_FALSE(fs::creation_seconds(u16(dir.path()) + u"\\", seconds));
    // The same through the "\\?\" prefix, which takes a full path as it is.
    wchar_t full[MAX_PATH];
    ASSERT_GT(GetFullPathNameW((dir / "a.txt").c_str(), MAX_PATH, full, nullptr), 0u);
    std::u16string verbatim = u"\\\\?\\" + std::u16string(reinterpret_cast<const char16_t*>(full));
    EXPECT_TRUE(fs::creation_seconds(verbatim, seconds)) << testing::narrow(verbatim);
    EXPECT_FALSE(fs::creation_seconds(verbatim.substr(0, verbatim.size() - 5) + u"*.txt", seconds));
    for (const char16_t* device : {u"NUL", u"CON", u"\\\\.\\NUL", u"C:\\", u"Q:\\no-such-volume\\a.txt"})
        EXPECT_FALSE(fs::creation_seconds(device, seconds)) << testing::narrow(device);
}

TEST(Win32File, DevicesAndDirectoriesDoNotOpenForReading) {
    TempDir dir;
    for (std::u16string path : {u16(dir.path()), std::u16string(u"NUL"), std::u16string(u"CON")}) {
        fs::File f;
        EXPECT_FALSE(f.open_read(path)) << testing::narrow(path);
        EXPECT_FALSE(f.is_open());
    }
}

TEST(Win32File, CreateNewRefusesAnExistingFileAndReplaceOverwrites) {
    TempDir dir;
    testing::write_bytes(dir / "old", "old");
    fs::File f;
    EXPECT_FALSE(f.create_new(u16(dir / "old")));
    ASSERT_TRUE(f.create_new(u16(dir / "new")));
    ASSERT_TRUE(f.write_all("new", 3));
    ASSERT_TRUE(f.sync());
    ASSERT_TRUE(f.close());
    std::u16string name = u16(dir / "new");
    std::error_code ec;
    ASSERT_TRUE(fs::save::publish(f, name, u16(dir / "old"), ec));
    EXPECT_EQ(testing::read_bytes(dir / "old"), "new");
    EXPECT_EQ(testing::file_names(dir.path()), std::vector<std::string>{"old"});
    name = u16(dir / "new");
    EXPECT_FALSE(fs::save::publish(f, name, u16(dir / "old"), ec)) << "nothing left to move";
}

TEST(Win32File, JapaneseDirectoryAndFileNamesRoundTrip) {
    TempDir dir;
    // "データ\記録.txt": the export lands beside it as "データ\記録.peltatxt".
    std::filesystem::path folder = dir.path() / std::filesystem::path(u"\u30C7\u30FC\u30BF");
    std::filesystem::create_directory(folder);
    std::filesystem::path target = folder / std::filesystem::path(u"\u8A18\u9332.txt");
    EntryList list = testing::make_list({testing::folder(1, -1, u"\u30D5\u30A9\u30EB\u30C0"),
                                         testing::entry(2, 1, u"\u6328\u62F6", u"\u3053\u3093\u306B\u3061\u306F")});
    ASSERT_TRUE(write_file(u16(target), list.get()));
    std::filesystem::path written = folder / std::filesystem::path(u"\u8A18\u9332.peltatxt");
    ASSERT_TRUE(std::filesystem::is_regular_file(written));
    EntryList back;
    ASSERT_TRUE(read_file(u16(written), back));
    std::vector<testing::Rec> recs = testing::records_of(back.get());
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].title, u"\u30D5\u30A9\u30EB\u30C0");
    EXPECT_EQ(recs[1].title, u"\u6328\u62F6");
    EXPECT_EQ(recs[1].data, u"\u3053\u3093\u306B\u3061\u306F");
}

std::vector<testing::Rec> records_in(std::u16string_view path) {
    EntryList list;
    EXPECT_TRUE(read_file(path, list)) << testing::narrow(path);
    return testing::records_of(list.get());
}

EntryList small_list() { return testing::make_list({testing::entry(1, -1, u"new", u"the new content")}); }

DWORD attributes_of(const std::filesystem::path& p) { return GetFileAttributesW(p.c_str()); }

TEST(Win32Save, AReadOnlyFileIsRefusedAndLeftAsItWas) {
    TempDir dir;
    std::filesystem::path t = dir / "notes.peltatxt";
    testing::write_bytes(t, "previous");
    ASSERT_TRUE(SetFileAttributesW(t.c_str(), FILE_ATTRIBUTE_READONLY));
    EntryList list = small_list();
    EXPECT_FALSE(write_file(u16(dir / "notes.txt"), list.get()));
    EXPECT_EQ(attributes_of(t) & FILE_ATTRIBUTE_READONLY, DWORD{FILE_ATTRIBUTE_READONLY});
    SetFileAttributesW(t.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(testing::read_bytes(t), "previous");
    EXPECT_EQ(testing::file_names(dir.path()), std::vector<std::string>{"notes.peltatxt"});
}

TEST(Win32Save, TheHiddenAttributeIsKept) {
    TempDir dir;
    std::filesystem::path t = dir / "notes.peltatxt";
    EntryList list = small_list();
    ASSERT_TRUE(write_file(u16(dir / "notes.txt"), list.get()));
    ASSERT_TRUE(SetFileAttributesW(t.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_TRUE(write_file(u16(dir / "notes.txt"), list.get()));
    EXPECT_EQ(attributes_of(t) & FILE_ATTRIBUTE_HIDDEN, DWORD{FILE_ATTRIBUTE_HIDDEN});
    EXPECT_EQ(testing::file_names(dir.path()), std::vector<std::string>{"notes.peltatxt"});
}

TEST(Win32Save, TheCreationTimeAndWithItTheRecordIdsAreKept) {
    TempDir dir;
    std::filesystem::path t = dir / "notes.peltatxt";
    EntryList list = small_list();
    ASSERT_TRUE(write_file(u16(dir / "notes.txt"), list.get()));
    // A creation time well in the past, which the record ids are seeded from.
    HANDLE h = CreateFileW(t.c_str(), FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME created = filetime(1000000000), got{};
    SetFileTime(h, &created, nullptr, nullptr);
    GetFileTime(h, &got, nullptr, nullptr);
    CloseHandle(h);
    if (seconds_of(got) != 1000000000) GTEST_SKIP() << "this file system keeps no creation time that was set (Wine)";
    std::vector<testing::Rec> before = records_in(u16(t));
    ASSERT_TRUE(write_file(u16(dir / "notes.txt"), list.get()));
    int64_t seconds = 0;
    ASSERT_TRUE(fs::creation_seconds(u16(t), seconds));
    EXPECT_EQ(seconds, 1000000000);
    EXPECT_EQ(records_in(u16(t)), before) << "the same ids after the export";
}

TEST(Win32Save, PathsLongerThanMaxPath) {
    TempDir dir;
    // Directories made through the "\\?\" form; the export and import get the plain long path.
    wchar_t full[MAX_PATH];
    ASSERT_GT(GetFullPathNameW(dir.path().c_str(), MAX_PATH, full, nullptr), 0u);
    std::wstring plain = full;
    for (int i = 0; plain.size() < MAX_PATH + 40; ++i) {
        plain += L"\\" + std::wstring(40, static_cast<wchar_t>(L'a' + i));
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + plain).c_str(), nullptr)) << GetLastError();
    }
    std::u16string target(plain.begin(), plain.end());
    EntryList list = small_list();
    ASSERT_TRUE(write_file(target + u"\\notes.txt", list.get()));
    std::vector<testing::Rec> back = records_in(target + u"\\notes.peltatxt");
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].data, u"the new content");
    // And over the file now there, through ReplaceFileW.
    ASSERT_TRUE(write_file(target + u"\\notes.txt", list.get()));
    DeleteFileW((L"\\\\?\\" + plain + L"\\notes.peltatxt").c_str());
    while (plain.size() > wcslen(full)) {
        RemoveDirectoryW((L"\\\\?\\" + plain).c_str());
        plain.resize(plain.rfind(L'\\'));
    }
}

}  // namespace
}  // namespace peltatxt
