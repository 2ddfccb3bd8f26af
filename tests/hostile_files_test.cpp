// hostile_files_test.cpp — files no writer made: cut short, odd, random, odd units, huge lines, only markers, non-files.
#include <gtest/gtest.h>

#include <map>
#include <random>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "format/constants.h"
#include "format/writer.h"
#include <peltatxt.h>
#include "support/entry_lists.h"
#include "support/files.h"
#include "support/records.h"
#include "support/slow_build.h"
#include "support/temp_dir.h"
#include "support/input.h"
#include "support/read_list_check.h"

namespace peltatxt {
namespace {
using namespace testing;
namespace fsys = std::filesystem;

Rec rec_of(const EntryRecord& e) {
    Rec r;
    r.kind = e.kind;
    r.letterCode = e.letterCode;
    r.title = std::u16string(view_of(e.title));
    r.data = std::u16string(view_of(e.data));
    r.macro = std::u16string(view_of(e.macro));
    return r;
}

// Records as read, with ids replaced by positions (ids come from each file's creation time) and
// parents by the position of their folder.
struct Shape {
    std::vector<Rec> recs;
    friend bool operator==(const Shape&, const Shape&) = default;
};

// Reads a file through readDataFile and checks what every list must be, whatever the file held
// (support/read_list_check.h: kinds and letter codes the reader makes, zero host fields,
// increasing ids, parents that are open folders, no record with nothing in it).
Shape read_checked(const fsys::path& file) {
    const EntryListObject* list = readDataFile(handle(file));
    EXPECT_NE(list, nullptr) << file;
    EXPECT_EQ(read_list_problem(list), "") << file;
    Shape out;
    std::map<int32_t, int32_t> position;
    for (const EntryRecord& r : RecordRange(list)) {
        Rec rec = rec_of(r);
        rec.parentId = r.parentId == kNoParent ? -1 : position[r.parentId];
        rec.id = static_cast<int32_t>(out.recs.size());
        position[r.id] = rec.id;
        out.recs.push_back(std::move(rec));
    }
    return out;
}

// A realistic file, made by the writer: nested folders with comments and macros, every entry form.
std::string sample_file(const TempDir& dir) {
    Rec top = folder(1, kNoParent, u"\u4ED5\u4E8B", PELTATXT_KIND_FOLDER_H);
    top.data = u"comment";
    top.macro = u'm';
    Rec coded = entry(4, 2, u"code", u"a\r\nb", PELTATXT_KIND_ONE_TIME);
    coded.letterCode = 5;
    Rec with_macro = entry(7, kNoParent, u"", u"", PELTATXT_KIND_ONE_TIME);
    with_macro.macro = u"only a macro";
    EntryList list = make_list({top, folder(2, 1, u"in", 0x14), entry(3, 2, u"Hello", u"Hello"), coded,
                                entry(5, 1, u"x", u" x\r\n"), entry(6, 1, u"t", FED), with_macro});
    EXPECT_EQ(writeDataFile(handle(dir / "sample.txt"), list.get()), 1);
    return read_bytes(dir / "sample.peltatxt");
}

std::vector<Rec> records_from_text(const TempDir& dir, std::u16string_view text) {
    write_text(dir / "t.txt", text);
    return read_checked(dir / "t.txt").recs;
}

TEST(HostileFiles, EveryPrefixOfASampleFile) {
    TempDir dir;
    const std::string full = sample_file(dir);
    write_bytes(dir / "full", full);
    const Shape whole = read_checked(dir / "full");
    ASSERT_EQ(whole.recs.size(), 7u);
    // Records are final once appended: a prefix gives the whole file's first records, except that
    // its last record may come from a line the cut shortened.
    for (std::size_t n = 0; n <= full.size(); ++n) {
        write_bytes(dir / "prefix", std::string_view(full).substr(0, n));
        Shape part = read_checked(dir / "prefix");
        ASSERT_LE(part.recs.size(), whole.recs.size() + 1) << n;
        for (std::size_t i = 0; i + 1 < part.recs.size(); ++i)
            ASSERT_EQ(part.recs[i], whole.recs[i]) << "prefix of " << n << " bytes, record " << i;
    }
}

TEST(HostileFiles, OddLengthsIgnoreTheLastByte) {
    TempDir dir;
    const std::string full = sample_file(dir);
    write_bytes(dir / "full", full);
    const Shape whole = read_checked(dir / "full");
    for (char extra : {'\0', '\n', '\xFF', 'A'}) {
        write_bytes(dir / "odd", full + extra);
        EXPECT_EQ(read_checked(dir / "odd"), whole) << int(extra);
    }
    for (std::string_view bytes : {std::string_view("\xFF", 1), std::string_view("\xFF\xFE", 2),
                                   std::string_view("\xFF\xFEx", 3), std::string_view("a", 1)}) {
        write_bytes(dir / "tiny", bytes);
        EXPECT_TRUE(read_checked(dir / "tiny").recs.empty()) << bytes.size();
    }
    // Without a byte-order mark the first two bytes are the first unit: 'a' 0 'b' is one unit "a".
    write_bytes(dir / "nobom", std::string_view("a\0b", 3));
    std::vector<Rec> recs = read_checked(dir / "nobom").recs;
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].title, u"a");
}

TEST(HostileFiles, RandomBytes) {
    TempDir dir;
    std::mt19937 rng(20240607);
    // Plain random bytes, and random lines made of marker pieces, which reach the line rules.
    const std::u16string_view pieces[] = {kMarkerPrefix, u"FLD|", u"DAT|", u"SDT|", u"DED|_", u"FED|_", u"ESC|_",
                                          u"MAC|_", u"FCM|_", u"|_", u"H|", u"O|", u"D|", u"\r\n", u"\n", u" ", u"x"};
    for (int round = 0; round < 20; ++round) {
        std::string bytes(std::uniform_int_distribution<std::size_t>(0, 70000)(rng), '\0');
        for (char& c : bytes) c = static_cast<char>(rng());
        write_bytes(dir / "random", bytes);
        read_checked(dir / "random");
        std::u16string text;
        for (int i = 0; i < 3000; ++i) text += pieces[rng() % std::size(pieces)];
        write_text(dir / "pieces", text);
        read_checked(dir / "pieces");
    }
}

// Lone surrogates, U+0000 and U+FFFF are ordinary code units to the reader: they neither end a
// line nor a string, count as no whitespace, and come back where they stood.
TEST(HostileFiles, LoneSurrogatesNulAndFFFFAreOrdinaryUnits) {
    TempDir dir;
    for (char16_t odd : {u'\xD800', u'\xDBFF', u'\xDC00', u'\xDFFF', u'\0', u'\xFFFF', u'\xFFFE'}) {
        const std::u16string u(1, odd);
        SCOPED_TRACE(static_cast<int>(odd));
        std::u16string text = doc({FCM + u"c" + u, MAC + u + u"m", FLD + u"f" + u + u"|_", u + u"bare" + u,
                                   SDT + u"t" + u + u"|_" + u, DAT + u"b|_", u, u"x" + u, DED});
        text += u;  // a last line without a line break
        std::vector<Rec> recs = records_from_text(dir, text);
        ASSERT_EQ(recs.size(), 5u);
        EXPECT_EQ(recs[0].title, u"f" + u);
        EXPECT_EQ(recs[0].data, u"c" + u);
        EXPECT_EQ(recs[0].macro, u + u"m");
        EXPECT_EQ(recs[1].title, u + u"bare" + u);
        EXPECT_EQ(recs[1].data, recs[1].title);
        EXPECT_EQ(recs[2].title, u"t" + u);
        EXPECT_EQ(recs[2].data, u);
        EXPECT_EQ(recs[3].data, u + u"\r\nx" + u);
        EXPECT_EQ(recs[4].title, u);  // a last line without a line break, one unit long
        // And the writer writes them back as they came.
        EntryList list = make_list(recs);
        ASSERT_EQ(writeDataFile(handle(dir / "again.txt"), list.get()), 1);
        std::vector<Rec> again = read_checked(dir / "again.peltatxt").recs;
        ASSERT_EQ(again.size(), recs.size());
        for (std::size_t i = 0; i < recs.size(); ++i) {
            EXPECT_EQ(again[i].title, recs[i].title);
            EXPECT_EQ(again[i].data, recs[i].data);
            EXPECT_EQ(again[i].macro, recs[i].macro);
        }
    }
}

// The sanitizers, and the emulators that run the 32-bit builds, make 100 MB slow: 16 MB there.
constexpr std::size_t kHugeLineBytes = kSlowBuild ? 16u << 20 : 100u << 20;

TEST(HostileFiles, AHundredMegabyteLine) {
    TempDir dir;
    const std::size_t units = kHugeLineBytes / 2;
    std::u16string line(units, u'x');
    for (std::size_t i = 0; i < units; i += 65535) line[i] = u'_';  // piece starts that are no markers
    // Inside a block the pieces come back as one text; outside it each piece is a line of its own.
    write_text(dir / "block", doc({DAT + u"huge|_", line, DED}));
    {
        const EntryListObject* list = readDataFile(handle(dir / "block"));
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->count, 1u);
        const EntryRecord& r = *RecordRange(list).begin();
        EXPECT_EQ(view_of(r.title), u"huge");
        EXPECT_TRUE(view_of(r.data) == line);
    }
    write_text(dir / "bare", line);
    const EntryListObject* list = readDataFile(handle(dir / "bare"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count, (units + 65534) / 65535);
    std::size_t total = 0;
    for (const EntryRecord& r : RecordRange(list)) total += view_of(r.data).size();
    EXPECT_EQ(total, units);
    endDLL();
}

TEST(HostileFiles, OnlyMarkers) {
    TempDir dir;
    // Each marker alone on three lines: only a folder header makes records (three nested
    // folders titled with their ids); blocks never end, single lines have no terminator.
    for (std::u16string_view m : kMarkers) {
        std::u16string text;
        for (int i = 0; i < 3; ++i) (text += m) += u"\r\n";
        std::vector<Rec> recs = records_from_text(dir, text);
        bool fld = m == marker_text(Marker::FLD);
        ASSERT_EQ(recs.size(), fld ? 3u : 0u) << narrow(m);
        for (std::size_t i = 0; fld && i < 3; ++i) EXPECT_EQ(recs[i].parentId, static_cast<int32_t>(i) - 1);
    }
    // All fourteen in a row, and all fourteen run together on one line (a comment line).
    std::u16string lines, one_line;
    for (std::u16string_view m : kMarkers) {
        (lines += m) += u"\r\n";
        one_line += m;
    }
    std::vector<Rec> recs = records_from_text(dir, lines);
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].kind, PELTATXT_KIND_FOLDER);
    EXPECT_TRUE(records_from_text(dir, one_line).empty());
    EXPECT_TRUE(records_from_text(dir, std::u16string(20000, u'_') + u"|PELTATXT-").size() == 1);
}

TEST(HostileFiles, DirectoriesAndDevicesAreNoFiles) {
    TempDir dir;
    EXPECT_EQ(readDataFile(handle(dir.path())), nullptr);
    EXPECT_EQ(readDataFile(handle(dir / "missing")), nullptr);
    EntryList list = make_list({entry(1, kNoParent, u"a", u"b")});
    // An export whose output name is a directory fails and leaves it alone.
    fsys::create_directory(dir / "taken.peltatxt");
    write_bytes(dir / "taken.peltatxt" / "inside", "x");
    EXPECT_EQ(writeDataFile(handle(dir / "taken.txt"), list.get()), 0);
    EXPECT_EQ(read_bytes(dir / "taken.peltatxt" / "inside"), "x");
    EXPECT_EQ(file_names(dir.path()), std::vector<std::string>{"taken.peltatxt"});
#if !defined(_WIN32)
    EXPECT_EQ(readDataFile(handle(u16("/dev/null"))), nullptr);
    EXPECT_EQ(readDataFile(handle(u16("/dev/zero"))), nullptr);  // would never end
    fsys::create_symlink("/dev/zero", dir / "zero-link");
    EXPECT_EQ(readDataFile(handle(dir / "zero-link")), nullptr);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(readDataFile(handle(dir / "fifo")), nullptr);  // would wait for a writer
    // A regular file whose size shows as 0 (its content made as it is read) imports as empty.
    const EntryListObject* proc = readDataFile(handle(u16("/proc/self/status")));
    ASSERT_NE(proc, nullptr);
    EXPECT_EQ(proc->count, 0u);
    // An export over a link to a device is refused: the link stays, the device is not written.
    fsys::create_symlink("/dev/null", dir / "dev.peltatxt");
    EXPECT_EQ(writeDataFile(handle(dir / "dev.txt"), list.get()), 0);
    EXPECT_TRUE(fsys::is_symlink(fsys::symlink_status(dir / "dev.peltatxt")));
    EXPECT_TRUE(fsys::is_character_file("/dev/null"));
    EXPECT_EQ(file_names(dir.path()),
              (std::vector<std::string>{"dev.peltatxt", "fifo", "taken.peltatxt", "zero-link"}));
#else
    EXPECT_EQ(readDataFile(handle("NUL")), nullptr);  // the devices Windows has instead
    EXPECT_EQ(readDataFile(handle("CON")), nullptr);
    EXPECT_EQ(readDataFile(handle("\\\\.\\NUL")), nullptr);
#endif
    endDLL();
}

}  // namespace
}  // namespace peltatxt
