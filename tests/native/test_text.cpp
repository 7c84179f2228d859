#include <gtest/gtest.h>

#include "common/error.h"
#include "common/text.h"

namespace zk {

TEST(Text, Conversions) {
    struct { std::string got, want; } cases[] = {
        {TrimBlanks("  a b  "), "a b"}, {TrimBlanks("   "), ""}, {TrimBlanks("\ta\t "), "\ta\t"},
        {NumStr(-17), "-17"}, {NumStr(2147483647), "2147483647"}, {DottedNumber(999), "999"},
        {DottedNumber(1000), "1.000"}, {DottedNumber(1234567), "1.234.567"}, {DottedNumber(2147483647), "2.147.483.647"},
        {DottedNumber(0), "0"}, {DottedNumber(-1), " ist kleiner 0!"},
        {UpperCaseDE("c:\\spiele\\zäöü ß"), "C:\\SPIELE\\ZÄÖÜ ß"}, {UpperCaseDE("é"), "é"},  // only German umlauts
        {LowerCaseDE("D:\\GAMES\\ÄÖÜ ß É"), "d:\\games\\äöü ß É"},
        {BackslashPath("c:\\spiele\\", false), "c:\\spiele"}, {BackslashPath("c:\\spiele", true), "c:\\spiele\\"},
        {BackslashPath("c:\\", false), "c:\\"}, {BackslashPath("c:", false), "c:\\"}, {BackslashPath("c:", true), "c:\\"},
        {BackslashPath("", false), "\\"}, {BackslashPath("ab\\\\", false), "ab\\"},
        {InOutError(3).what(), "E/A-Fehler 3"}, {std::to_string(InOutError(3).Code()), "3"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].got, cases[i].want) << "row " << i;
}

TEST(Text, StrToIntDefAcceptsOnlyWholeNumbers) {
    struct { const char* in; int want; } cases[] = {
        {"50", 50}, {"  7", 7}, {"-3", -3}, {"+4", 4}, {"$1F", 31}, {"-$10", -16}, {"", 99}, {"12 ", 99}, {"1x", 99},
        {"$", 99}, {"-", 99}, {"2147483647", 2147483647}, {"2147483648", 99}, {"-2147483648", -2147483647 - 1},
        {"$FFFFFFFF", -1}, {"$100000000", 99},
    };
    for (auto& c : cases) EXPECT_EQ(StrToIntDef(c.in, 99), c.want) << '"' << c.in << '"';
    struct { const char* in; int want; } prefixes[] = {  // IntPrefix reads as far as it can
        {"7", 7}, {"", 0}, {" 9", 9}, {"-9", -9}, {"$F", 15}, {"xA", 10}, {"XA", 10}, {"1a", 1}, {"a1", 0}, {"$", 0},
        {"-", 0}, {"99999999999", 999999999},
    };
    for (auto& c : prefixes) EXPECT_EQ(IntPrefix(c.in), c.want) << '"' << c.in << '"';
}

}  // namespace zk
