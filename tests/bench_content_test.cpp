// bench_content_test.cpp — the benchmark files: deterministic, as varied as promised, and read back whole by the plug-in.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "content.h"
#include "format/constants.h"
#include "plugin_host.h"
#include "support/files.h"
#include "support/temp_dir.h"

namespace peltatxt::bench {
namespace {

namespace fsys = std::filesystem;

std::vector<host::Record> realistic(uint64_t seed, std::size_t bytes) {
    std::vector<host::Record> out;
    realistic_records(seed, bytes, [&](const host::Record& r) { out.push_back(r); });
    return out;
}

std::vector<host::Record> shape(Shape s, double scale) {
    std::vector<host::Record> out;
    shape_records(s, scale, 1, [&](const host::Record& r) { out.push_back(r); });
    return out;
}

bool begins_with_marker(std::u16string_view line) {
    return std::any_of(kMarkers.begin(), kMarkers.end(), [&](std::u16string_view m) { return line.starts_with(m); });
}

// The plug-in, and a directory for its files; both go when the test ends.
class WithPlugin : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        plugin_ = host::Plugin::load(PELTATXT_PLUGIN_PATH, error);
        ASSERT_TRUE(plugin_) << error;
    }

    // Exports records through the plug-in; returns the file's units without the byte-order mark.
    std::u16string export_records(const std::vector<host::Record>& records, const std::string& name) {
        host::HostList list(records);
        path_ = dir_ / (name + ".peltatxt");
        int error = 0;
        EXPECT_TRUE(plugin_->write(testing::u16(path_), list.get(), error)) << "errno " << error;
        return testing::from_utf16le(testing::read_bytes(path_)).substr(1);
    }

    std::vector<host::Record> import_last() { return host::records_of(plugin_->read(testing::u16(path_))); }

    std::unique_ptr<host::Plugin> plugin_;
    testing::TempDir dir_;
    fsys::path path_;
};

TEST(Realistic, TheSameSeedGivesTheSameCollection) {
    EXPECT_EQ(realistic(7, 300'000), realistic(7, 300'000));
    EXPECT_NE(realistic(7, 300'000), realistic(8, 300'000));
}

TEST(Realistic, HoldsEveryKindOfRecordInAValidTree) {
    std::vector<host::Record> records = realistic(1, 2'000'000);
    std::set<uint8_t> folder_kinds, entry_kinds;
    std::set<int8_t> codes;
    std::size_t deepest = 0, comments = 0, macros = 0, long_texts = 0;
    bool japanese = false, ascii = false, marker_line = false;
    std::vector<int32_t> open;  // the folders enclosing the current record, outermost first
    std::map<int32_t, bool> seen;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const host::Record& r = records[i];
        ASSERT_EQ(r.id, static_cast<int32_t>(i + 1));
        // Pre-order: the parent is an enclosing folder, so the ones after it are closed.
        while (!open.empty() && open.back() != r.parentId) open.pop_back();
        ASSERT_TRUE(r.parentId == -1 || !open.empty()) << "record " << r.id << " names no open folder";
        bool folder = is_folder(r.kind);
        if (folder) {
            folder_kinds.insert(r.kind);
            comments += !r.data.empty();
            open.push_back(r.id);
            deepest = std::max(deepest, open.size());
        } else {
            entry_kinds.insert(r.kind);
            codes.insert(r.letterCode);
            long_texts += r.data.size() > 2000;
        }
        macros += !r.macro.empty();
        for (char16_t c : r.title + r.data) {
            japanese |= c >= 0x3040;
            ascii |= c >= u'a' && c <= u'z';
        }
        for (std::size_t start = 0; !folder;) {
            marker_line |= begins_with_marker(std::u16string_view(r.data).substr(start));
            std::size_t lf = r.data.find(u'\n', start);
            if (lf == std::u16string::npos) break;
            start = lf + 1;
        }
    }
    EXPECT_EQ(folder_kinds, std::set<uint8_t>(kFolderKinds.begin(), kFolderKinds.end()));
    EXPECT_EQ(entry_kinds, std::set<uint8_t>(kEntryKinds.begin(), kEntryKinds.end()));
    EXPECT_EQ(codes, (std::set<int8_t>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_GE(deepest, 4u);
    EXPECT_GT(comments, 0u);
    EXPECT_GT(macros, 0u);
    EXPECT_GT(long_texts, 0u);
    EXPECT_TRUE(japanese);
    EXPECT_TRUE(ascii);
    EXPECT_TRUE(marker_line);
}

TEST_F(WithPlugin, RealisticFileUsesEveryMarkerAndReadsBackWhole) {
    std::vector<host::Record> records = realistic(3, 1'000'000);
    std::u16string text = export_records(records, "realistic");
    // About the size asked for.
    EXPECT_GT(text.size() * 2, 900'000u);
    EXPECT_LT(text.size() * 2, 1'100'000u);
    std::set<std::u16string_view> used;  // markers at line starts, indentation left out
    for (std::size_t start = 0; start < text.size();) {
        std::size_t lf = text.find(u'\n', start);
        std::size_t end = lf == std::u16string::npos ? text.size() : lf + 1;
        std::u16string_view line = std::u16string_view(text).substr(start, end - start);
        line.remove_prefix(std::min(line.find_first_not_of(u"\t "), line.size()));
        for (std::u16string_view m : kMarkers)
            if (line.starts_with(m)) used.insert(m);
        start = end;
    }
    EXPECT_EQ(used.size(), kMarkers.size());
    // Every generated record is one the format carries: the file reads back to the same
    // records, ids apart.
    std::vector<host::Record> back = import_last();
    ASSERT_EQ(back.size(), records.size());
    std::map<int32_t, std::size_t> index_of, back_index_of;
    for (std::size_t i = 0; i < records.size(); ++i) {
        index_of[records[i].id] = i;
        back_index_of[back[i].id] = i;
        SCOPED_TRACE(i);
        EXPECT_EQ(back[i].kind, records[i].kind);
        EXPECT_EQ(back[i].letterCode, is_folder(records[i].kind) ? 0 : records[i].letterCode);
        EXPECT_EQ(back[i].title, records[i].title);
        EXPECT_EQ(back[i].data, records[i].data);
        EXPECT_EQ(back[i].macro, records[i].macro);
        EXPECT_EQ(back[i].parentId == -1 ? -1 : static_cast<long>(back_index_of[back[i].parentId]),
                  records[i].parentId == -1 ? -1 : static_cast<long>(index_of[records[i].parentId]));
    }
}

TEST(WorstShapes, HaveTheirShapeAtAnyScale) {
    std::vector<host::Record> big = shape(Shape::BigEntry, 0.01);
    ASSERT_EQ(big.size(), 1u);
    EXPECT_GE(big[0].data.size(), 250'000u);
    EXPECT_GT(std::count(big[0].data.begin(), big[0].data.end(), u'\n'), 1000);

    std::vector<host::Record> escaped = shape(Shape::EscapedLines, 0.01);
    ASSERT_EQ(escaped.size(), 1u);
    std::size_t lines = 0;
    for (std::size_t start = 0; start <= escaped[0].data.size(); ++lines) {
        std::size_t lf = escaped[0].data.find(u'\n', start);
        EXPECT_TRUE(begins_with_marker(std::u16string_view(escaped[0].data).substr(start))) << lines;
        if (lf == std::u16string::npos) break;
        start = lf + 1;
    }
    EXPECT_EQ(lines + 1, 10'000u);

    std::vector<host::Record> deep = shape(Shape::DeepNesting, 0.01);
    ASSERT_EQ(deep.size(), 40u);
    for (std::size_t d = 1; d < 20; ++d) EXPECT_EQ(deep[2 * d].parentId, deep[2 * d - 2].id) << d;

    std::vector<host::Record> tiny = shape(Shape::TinyEntries, 0.01);
    ASSERT_EQ(tiny.size(), 10'000u);
    for (const host::Record& r : tiny) {
        EXPECT_EQ(r.title.size(), 1u);
        EXPECT_EQ(r.data, r.title);
    }

    std::u16string tail = blank_lines_tail(0.01);
    EXPECT_EQ(tail.size(), 2 * 10'000u + 6);
    EXPECT_TRUE(tail.ends_with(u"\r\n\r\nlast\r\n"));
}

TEST_F(WithPlugin, EscapedLinesAreEachEscapedAndComeBackAsWritten) {
    std::vector<host::Record> records = shape(Shape::EscapedLines, 0.01);
    std::u16string text = export_records(records, "escaped");
    std::size_t escaped = 0;  // lines that begin with the escape marker
    for (std::size_t start = 0;;) {
        escaped += std::u16string_view(text).substr(start).starts_with(marker_text(Marker::ESC));
        std::size_t lf = text.find(u'\n', start);
        if (lf == std::u16string::npos) break;
        start = lf + 1;
    }
    EXPECT_EQ(escaped, 10'000u);
    std::vector<host::Record> back = import_last();
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].data, records[0].data);
}

TEST(Shapes, NamesRoundTrip) {
    for (Shape s : {Shape::Realistic, Shape::BigEntry, Shape::EscapedLines, Shape::DeepNesting, Shape::BlankLines,
                    Shape::TinyEntries}) {
        Shape parsed{};
        ASSERT_TRUE(parse_shape(shape_name(s), parsed));
        EXPECT_EQ(parsed, s);
    }
    Shape unused{};
    EXPECT_FALSE(parse_shape("huge", unused));
}

}  // namespace
}  // namespace peltatxt::bench
