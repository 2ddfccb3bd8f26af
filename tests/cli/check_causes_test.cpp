// check_causes_test.cpp — check explains the loss of every trailing space the reader trims from a comment line.
#include <gtest/gtest.h>

#include <string>

#include "round_trip.h"

namespace peltatxt::cli {
namespace {

host::Record folder_with_comment(std::u16string comment) {
    host::Record r;
    r.kind = PELTATXT_KIND_FOLDER;
    r.id = 1;
    r.parentId = -1;
    r.title.push_back(u'F');  // (not = u"F": GCC 12 warns falsely of overlapping copies there)
    r.data = std::move(comment);
    return r;
}

// The reader trims these (and TAB to CR, the space and U+3000) from the end of a comment line.
TEST(CheckCauses, CommentLinesEndingInAnyReaderWhitespaceAreExplained) {
    const char16_t spaces[] = {u' ',    u'\t',     u'\u1680', u'\u2000', u'\u2003', u'\u200A',
                               u'\u2028', u'\u2029', u'\u202F', u'\u205F', u'\u3000'};
    for (char16_t sp : spaces) {
        const std::u16string comment{u'a', sp, u'\r', u'\n', u'b'};
        Records before = {folder_with_comment(comment)};
        Records after = {folder_with_comment(u"a\r\nb")};
        std::vector<Finding> f = compare_round_trip(before, after);
        ASSERT_EQ(f.size(), 1u) << unsigned(sp);
        EXPECT_EQ(f[0].field, "comment");
        EXPECT_EQ(f[0].reason, R"(blanks at the end of a comment line are not kept; came back as "a\r\nb")")
            << unsigned(sp);
    }
    // No-break space is no whitespace to the reader: a change there has no known cause.
    std::vector<Finding> f = compare_round_trip({folder_with_comment(u"a\u00A0")}, {folder_with_comment(u"a")});
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].reason, R"(came back as "a")");
}

}  // namespace
}  // namespace peltatxt::cli
