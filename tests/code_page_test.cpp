// code_page_test.cpp — the tool's code page 932 conversion by the system's converter, on every platform the tool runs on.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "code_page.h"

namespace peltatxt::cli {
namespace {

TEST(CodePage932, WindowsMappingsAndInvalidBytes) {
    struct Case {
        std::string bytes;
        std::optional<std::u16string> units;
    };
    const Case cases[] = {
        {"", u""},
        {"\x88\xA5\x8E\x41", u"挨拶"},
        {"\x81\x60", u"\uFF5E"},  // the full-width tilde, where Shift_JIS proper has the wave dash U+301C
        {"\x87\x40", u"\u2460"},  // circled digit one, which Shift_JIS proper lacks
        {"a\xB1,", u"a\uFF71,"},  // a half-width katakana: one byte
        {"\x81\x2C", std::nullopt},
        {"a\x81", std::nullopt},  // a character cut at the end
    };
    for (const Case& c : cases) EXPECT_EQ(units_of_cp932(c.bytes), c.units) << c.bytes;
}

}  // namespace
}  // namespace peltatxt::cli
