// model_test.cpp — string blocks, their reference counts, and lists in the shared layout.
#include <gtest/gtest.h>

#include <new>

#include "model/entry_list.h"
#include "model/memory.h"
#include "model/shared_string.h"
#include "support/entry_lists.h"
#include "support/records.h"

namespace peltatxt {
namespace {
using testing::entry;
using testing::folder;
using testing::Rec;
using testing::records_of;

const PeltaStringHeader& header(const Unit* handle) { return reinterpret_cast<const PeltaStringHeader*>(handle)[-1]; }

TEST(SharedString, BlockHoldsCountLengthCapacityAndTerminator) {
    SharedString s(u"abc");
    const PeltaStringHeader& h = header(s.handle());
    EXPECT_EQ(h.refs, 1);
    EXPECT_EQ(h.length, 3);
    EXPECT_GE(h.capacity, 3);
    EXPECT_EQ(s.handle()[3], 0);
    EXPECT_EQ(s.view(), u"abc");
}

TEST(SharedString, CopiesShareTheBlockAndCountReferences) {
    SharedString a(u"shared");
    {
        SharedString b = a;
        SharedString c;
        c = b;
        EXPECT_EQ(b.handle(), a.handle());
        EXPECT_EQ(c.handle(), a.handle());
        EXPECT_EQ(header(a.handle()).refs, 3);
    }
    EXPECT_EQ(header(a.handle()).refs, 1);
    SharedString moved = std::move(a);
    EXPECT_EQ(header(moved.handle()).refs, 1);
    EXPECT_TRUE(a.empty());
}

TEST(SharedString, SelfAssignmentKeepsTheBlock) {
    SharedString a(u"x");
    SharedString& alias = a;
    a = alias;
    EXPECT_EQ(a.view(), u"x");
    EXPECT_EQ(header(a.handle()).refs, 1);
}

TEST(SharedString, EmptyStringsShareOneStaticBlockThatIsNeverCounted) {
    SharedString a, b(u""), c = a;
    EXPECT_EQ(a.handle(), b.handle());
    EXPECT_EQ(a.handle(), c.handle());
    EXPECT_EQ(header(a.handle()).refs, -1);
    EXPECT_EQ(a.handle()[0], 0);
    SharedString::release_handle(SharedString::empty_handle());
    EXPECT_EQ(header(a.handle()).refs, -1);
}

TEST(SharedString, AdoptTakesOverOneReferenceAndNullReadsAsEmpty) {
    SharedString source(u"path");
    SharedString extra = source;  // the reference the caller hands over
    Unit* handle = extra.release();
    EXPECT_EQ(header(handle).refs, 2);
    {
        SharedString adopted = SharedString::adopt(handle);
        EXPECT_EQ(adopted.view(), u"path");
    }
    EXPECT_EQ(header(source.handle()).refs, 1);
    EXPECT_TRUE(SharedString::adopt(nullptr).empty());
    EXPECT_TRUE(view_of(nullptr).empty());
}

TEST(SharedString, ForeignStaticBlocksAreLeftAlone) {
    // Another module's static empty block: negative count, so neither counted nor freed.
    struct {
        PeltaStringHeader h;
        Unit units[4];
    } foreign = {{-1, 3, 3}, {u'a', u'b', u'c', 0}};
    {
        SharedString s = SharedString::adopt(foreign.units);
        SharedString copy = s;
        EXPECT_EQ(copy.view(), u"abc");
    }
    EXPECT_EQ(foreign.h.refs, -1);
}

TEST(SharedString, FailedAllocationThrowsAndLeaksNothing) {
    memory::fail_allocation(1);
    EXPECT_THROW(SharedString(u"abc"), std::bad_alloc);
    memory::fail_allocation(0);
}

TEST(SharedStringBuilder, GrowsAcrossManyBlocksAndHandsOverOneExactBlock) {
    SharedStringBuilder b;
    std::u16string expected;
    for (int i = 0; expected.size() < 100'000; ++i) {
        std::u16string piece(static_cast<std::size_t>(1 + i % 97), static_cast<char16_t>(u'a' + i % 26));
        b.append(piece);
        expected += piece;
        ASSERT_EQ(b.view(), expected) << i;
    }
    SharedString s = b.take();
    const PeltaStringHeader& h = header(s.handle());
    EXPECT_EQ(h.refs, 1);
    EXPECT_EQ(h.length, static_cast<int32_t>(expected.size()));
    EXPECT_EQ(h.capacity, h.length);
    EXPECT_EQ(s.handle()[expected.size()], 0);
    EXPECT_EQ(s.view(), expected);
    EXPECT_TRUE(b.empty());  // the block went with the string
    b.append(u"next");
    EXPECT_EQ(b.take().view(), u"next");
    EXPECT_EQ(s.view(), expected);
}

TEST(SharedStringBuilder, SuffixClearAndEmptyTake) {
    SharedStringBuilder b;
    EXPECT_EQ(b.take().handle(), SharedString::empty_handle());
    b.append(u"abc\r\n");
    b.remove_suffix(2);
    EXPECT_EQ(b.view(), u"abc");
    b.clear();
    EXPECT_TRUE(b.empty());
    EXPECT_EQ(b.take().handle(), SharedString::empty_handle());  // an empty text takes no block
    b.append(u"");
    b.append(u"x");
    EXPECT_EQ(b.take().view(), u"x");
}

TEST(SharedStringBuilder, FailedGrowthThrowsAndKeepsTheText) {
    SharedStringBuilder b;
    b.append(std::u16string(10, u'a'));
    memory::fail_allocation(1);
    EXPECT_THROW(b.append(std::u16string(100'000, u'b')), std::bad_alloc);
    EXPECT_EQ(memory::fail_allocation(0), 1);  // the growth was one counted allocation
    EXPECT_EQ(b.view(), std::u16string(10, u'a'));
    b.append(u"c");
    EXPECT_EQ(b.take().view(), std::u16string(10, u'a') + u"c");
}

TEST(EntryList, AppendsInOrderAndCountsRecords) {
    EntryList list = testing::make_list({folder(10, -1, u"F"), entry(11, 10, u"a", u"a"), entry(12, -1, u"b", u"x")});
    EXPECT_EQ(list.size(), 3u);
    EXPECT_EQ(list.get()->count, 3u);
    std::vector<Rec> got = records_of(list.get());
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], folder(10, -1, u"F"));
    EXPECT_EQ(got[2], entry(12, -1, u"b", u"x"));
    // Circular through the sentinel in both directions.
    const EntryNode* sentinel = list.get()->sentinel;
    EXPECT_EQ(sentinel->next->next->next->next, sentinel);
    EXPECT_EQ(sentinel->prev->record.id, 12);
    EXPECT_EQ(sentinel->prev->prev->prev->prev, sentinel);
}

TEST(EntryList, AppendedCopyIsIndependentOfItsSource) {
    SharedString title(u"title");
    EntryList list;
    NewRecord r;
    r.title = title;
    list.append(std::move(r));
    title = SharedString(u"changed");
    EXPECT_EQ(view_of(list.begin()->title), u"title");
}

TEST(EntryList, ClearLeavesAnEmptyListThatCanBeFilledAgain) {
    EntryList list = testing::make_list({folder(1, -1, u"F"), entry(2, 1, u"a", u"b")});
    list.clear();
    EXPECT_EQ(list.size(), 0u);
    EXPECT_EQ(list.begin(), list.end());
    NewRecord r;
    r.id = 7;
    r.title = SharedString(u"again");
    list.append(std::move(r));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.begin()->id, 7);
}

TEST(EntryList, FailedAppendLeavesTheListAsItWas) {
    // A full first block of nodes: the next append needs a new block.
    EntryList list;
    const std::size_t full = entry_list::node_block_capacity(0);
    for (std::size_t i = 0; i < full; ++i) list.append(NewRecord{});
    NewRecord r;
    r.title = SharedString(u"lost");
    memory::fail_allocation(1);
    EXPECT_THROW(list.append(std::move(r)), std::bad_alloc);
    memory::fail_allocation(0);
    EXPECT_EQ(list.size(), full);
    EXPECT_EQ(records_of(list.get()).size(), full);
}

TEST(RecordRange, NullListAndNullSentinelIterateAsEmpty) {
    EXPECT_EQ(RecordRange(nullptr).begin(), RecordRange(nullptr).end());
    EntryListObject object{};
    EXPECT_EQ(RecordRange(&object).begin(), RecordRange(&object).end());
}

}  // namespace
}  // namespace peltatxt
