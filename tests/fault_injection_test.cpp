// fault_injection_test.cpp — every file operation and every allocation of an import and an export, failed in turn.
//
// The file layer's seam (fs::fail_operation) fails the k-th counted operation, once or from then
// on; the shared allocator's seam (memory::fail_allocation) fails the n-th block or node; the
// global operator new below fails the n-th allocation of the standard containers. Each loop runs
// from the first point until the operation completes without reaching one, and checks after every
// failed run: readDataFile gave no list, writeDataFile gave false, the previous file at the target
// is byte for byte as it was, no temporary file is left, and no allocation made by the operation
// is still live (LeakSanitizer checks the shared blocks in the sanitizer build).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <new>

#include "model/memory.h"
#include "peltatxt.h"
#include "test_support.h"
#include "text/file_system.h"

namespace {

// Countdown for operator new, armed only around the operation under test.
long new_countdown = 0;  // 0: never fail
long news_made = 0;
long live_news = 0;

void* counted_new(std::size_t bytes) {
    ++news_made;
    if (new_countdown > 0 && --new_countdown == 0) throw std::bad_alloc();
    void* p = std::malloc(bytes ? bytes : 1);
    if (!p) throw std::bad_alloc();
    ++live_news;
    return p;
}

void counted_delete(void* p) noexcept {
    if (!p) return;
    --live_news;
    std::free(p);
}

}  // namespace

void* operator new(std::size_t bytes) { return counted_new(bytes); }
void* operator new[](std::size_t bytes) { return counted_new(bytes); }
void operator delete(void* p) noexcept { counted_delete(p); }
void operator delete[](void* p) noexcept { counted_delete(p); }
void operator delete(void* p, std::size_t) noexcept { counted_delete(p); }
void operator delete[](void* p, std::size_t) noexcept { counted_delete(p); }

namespace peltatxt {
namespace {
using namespace testing;
namespace fsys = std::filesystem;

// Makes the n-th operator new from now on fail (0: none); returns how many were made since the
// last call.
long fail_new(long n) {
    long made = news_made;
    news_made = 0;
    new_countdown = n;
    return made;
}

// A list with every kind of record, and with one text long enough that the writer hands it to
// the file in several writes and the reader takes the file in several reads.
std::vector<Rec> sample(std::size_t long_text_units) {
    Rec top = folder(1, kNoParent, u"Projects", PELTATXT_KIND_FOLDER_H | PELTATXT_KIND_FOLDER_O);
    top.data = u"folder comment\r\nsecond line";
    top.macro = u"folder macro";
    Rec inner = folder(2, 1, u"Inner");
    Rec block = entry(4, 2, u"block", u"line 1\r\n_|PELTATXT-DED|_\r\nline 3", PELTATXT_KIND_ONE_TIME);
    block.letterCode = 3;
    block.macro = u"m1\r\nm2";
    Rec bare_ntr = entry(5, 2, u"abc", u"  abc\r\n");
    Rec big = entry(7, kNoParent, u"big", std::u16string(long_text_units, u'\u3042'));
    return {top, inner, entry(3, 2, u"Hello", u"Hello"), block, bare_ntr,
            entry(6, 1, u"sdt", u"single \u30C6\u30AD\u30B9\u30C8"), big};
}

peltatxt_unit* handle(const fsys::path& p) { return SharedString(u16(p)).release(); }

// Compares records without ids, which come from each file's creation time.
std::vector<Rec> without_ids(std::vector<Rec> recs) {
    for (Rec& r : recs) r.id = r.parentId = 0;
    return recs;
}

struct Export {
    TempDir dir;
    fsys::path target_arg = dir / "notes.txt";
    fsys::path target = dir / "notes.peltatxt";
    std::string previous;
    std::string fresh;  // what a successful export writes

    explicit Export(const EntryList& list) {
        // A previous export of something else is the file that must survive.
        EntryList old = make_list({entry(1, kNoParent, u"old", u"previous export")});
        EXPECT_EQ(writeDataFile(handle(target_arg), old.get()), 1);
        previous = read_bytes(target);
        EXPECT_EQ(writeDataFile(handle(target_arg), list.get()), 1);
        fresh = read_bytes(target);
        write_bytes(target, previous);
        EXPECT_NE(previous, fresh);
    }

    // After a failed export: the old file as it was and nothing else in the directory.
    void expect_untouched(const std::string& when) const {
        EXPECT_EQ(read_bytes(target), previous) << when;
        EXPECT_EQ(file_names(dir.path()), std::vector<std::string>{"notes.peltatxt"}) << when;
    }
    void expect_fresh() const {
        EXPECT_EQ(read_bytes(target), fresh);
        EXPECT_EQ(file_names(dir.path()), std::vector<std::string>{"notes.peltatxt"});
    }
};

TEST(FaultInjection, EveryFileOperationOfAnExportFailedOnceAndFromThenOn) {
    EntryList list = make_list(sample(300000));  // 600 KB of text: several writes
    Export e(list);
    long points = 0;
    for (bool persistent : {false, true}) {
        for (long k = 1;; ++k) {
            std::string when = "operation " + std::to_string(k) + (persistent ? " and after" : " alone");
            fs::fail_operation(k, persistent);
            long live = live_news;
            uint8_t ok = writeDataFile(handle(e.target_arg), list.get());
            long used = fs::fail_operation(0, false);
            EXPECT_EQ(live_news, live) << when;
            if (k > used) {
                EXPECT_EQ(ok, 1) << when;
                e.expect_fresh();
                write_bytes(e.target, e.previous);
                break;
            }
            EXPECT_EQ(ok, 0) << when;
            e.expect_untouched(when);
            ++points;
        }
    }
    // Create, several writes, sync, close and rename, each failed once and persistently.
    EXPECT_GE(points, 2 * 5);
    std::printf("[ figures  ] export: %ld file-operation fault points, previous file intact in all\n", points);
}

TEST(FaultInjection, AFailedExportLeavesNoFileWhereThereWasNone) {
    EntryList list = make_list(sample(10));
    TempDir dir;
    long points = 0;
    for (long k = 1;; ++k, ++points) {
        fs::fail_operation(k, true);
        uint8_t ok = writeDataFile(handle(dir / "new.txt"), list.get());
        long used = fs::fail_operation(0, false);
        if (k > used) {
            EXPECT_EQ(ok, 1);
            break;
        }
        EXPECT_EQ(ok, 0) << k;
        EXPECT_TRUE(file_names(dir.path()).empty()) << k;
    }
    EXPECT_GE(points, 5);
    std::printf("[ figures  ] export without a previous file: %ld fault points, no file left\n", points);
}

TEST(FaultInjection, EveryFileOperationOfAnImportFailedOnceAndFromThenOn) {
    TempDir dir;
    EntryList list = make_list(sample(1500000));  // a 3 MB file: several block reads
    ASSERT_EQ(writeDataFile(handle(dir / "in.txt"), list.get()), 1);
    const fsys::path file = dir / "in.peltatxt";
    const std::vector<Rec> expected = without_ids(records_of(readDataFile(handle(file))));
    ASSERT_EQ(expected.size(), 7u);
    long points = 0;
    for (bool persistent : {false, true}) {
        for (long k = 1;; ++k) {
            fs::fail_operation(k, persistent);
            long live = live_news;
            EntryListObject* got = readDataFile(handle(file));
            long used = fs::fail_operation(0, false);
            EXPECT_EQ(live_news, live) << k;
            if (k > used) {
                ASSERT_NE(got, nullptr);
                EXPECT_EQ(without_ids(records_of(got)), expected);
                break;
            }
            // A read that fails part-way must not pass off the records before the failure as the file.
            EXPECT_EQ(got, nullptr) << "operation " << k;
            ++points;
        }
    }
    EXPECT_GE(points, 2 * 3);  // open and at least two reads
    std::printf("[ figures  ] import: %ld file-operation fault points, no list and no crash in all\n", points);
    endDLL();
}

// Runs run(n) for n = 1, 2, ... until it reports that the operation completed without reaching the
// n-th allocation; returns how many runs did reach it.
template <class Run>
long allocation_loop(Run run) {
    long points = 0;
    for (long n = 1; run(n); ++n) ++points;
    return points;
}

TEST(FaultInjection, EveryAllocationOfAnImportFailed) {
    TempDir dir;
    EntryList list = make_list(sample(100));
    ASSERT_EQ(writeDataFile(handle(dir / "in.txt"), list.get()), 1);
    const fsys::path file = dir / "in.peltatxt";
    const std::vector<Rec> expected = without_ids(records_of(readDataFile(handle(file))));
    endDLL();  // the first import below must also make the result list object itself

    auto check = [&](bool hit, long n, EntryListObject* got, const char* seam) {
        if (!hit) {
            EXPECT_NE(got, nullptr) << seam << " " << n;
            if (got) {
                EXPECT_EQ(without_ids(records_of(got)), expected);
            }
            return false;
        }
        EXPECT_EQ(got, nullptr) << seam << " allocation " << n;
        return true;
    };
    long blocks = allocation_loop([&](long n) {
        peltatxt_unit* path = handle(file);
        memory::fail_allocation(n);
        EntryListObject* got = readDataFile(path);
        return check(n <= memory::fail_allocation(0), n, got, "block");
    });
    long live = live_news;
    long news = allocation_loop([&](long n) {
        peltatxt_unit* path = handle(file);
        fail_new(n);
        EntryListObject* got = readDataFile(path);
        bool hit = n <= fail_new(0);
        EXPECT_EQ(live_news, live) << n;
        return check(hit, n, got, "operator new");
    });
    EXPECT_GE(blocks, 20);  // list object, nodes and strings
    EXPECT_GE(news, 3);     // the reader's buffers
    std::printf("[ figures  ] import: %ld block and %ld operator-new failure points, no list, no crash, no leak\n",
                blocks, news);
    endDLL();
}

TEST(FaultInjection, EveryAllocationOfAnExportFailed) {
    EntryList list = make_list(sample(100));
    Export e(list);
    long live = live_news;
    long points = 0;
    for (bool blocks : {false, true}) {
        points += allocation_loop([&](long n) {
            peltatxt_unit* path = handle(e.target_arg);
            if (blocks)
                memory::fail_allocation(n);
            else
                fail_new(n);
            uint8_t ok = writeDataFile(path, list.get());
            bool hit = n <= (blocks ? memory::fail_allocation(0) : fail_new(0));
            EXPECT_EQ(live_news, live) << n;
            if (!hit) {
                EXPECT_EQ(ok, 1);
                e.expect_fresh();
                write_bytes(e.target, e.previous);
                return false;
            }
            EXPECT_EQ(ok, 0) << "allocation " << n;
            e.expect_untouched("allocation " + std::to_string(n));
            return true;
        });
    }
    EXPECT_GE(points, 3);  // output name, temporary name, the writer's buffers
    std::printf("[ figures  ] export: %ld allocation failure points, false, previous file intact, no leak\n", points);
}

}  // namespace
}  // namespace peltatxt
