#include <gtest/gtest.h>

#include "common/error.h"
#include "common/text.h"

namespace zk {

TEST(Text, TrimBlanksRemovesOnlySpaces) {
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks(""), "");
    EXPECT_EQ(TrimBlanks("\ta\t "), "\ta\t");
}

TEST(Text, NumStrAndDottedNumber) {
    EXPECT_EQ(NumStr(0), "0");
    EXPECT_EQ(NumStr(-17), "-17");
    EXPECT_EQ(NumStr(2147483647), "2147483647");
    struct { long long v; const char* want; } cases[] = {
        {0, "0"}, {999, "999"}, {1000, "1.000"}, {999999, "999.999"}, {1000000, "1.000.000"},
        {1234567, "1.234.567"}, {2147483647, "2.147.483.647"}, {-1, " ist kleiner 0!"},
    };
    for (auto& c : cases) EXPECT_EQ(DottedNumber(c.v), c.want) << c.v;
}

TEST(Text, UpperAndLowerCaseKeepSharpS) {
    EXPECT_EQ(UpperCaseDE("c:\\spiele\\zäöü ß"), "C:\\SPIELE\\ZÄÖÜ ß");
    EXPECT_EQ(LowerCaseDE("D:\\GAMES\\ÄÖÜ ß É"), "d:\\games\\äöü ß É");
    EXPECT_EQ(UpperCaseDE("é"), "é");  // only the German umlauts change
}

TEST(Text, BackslashPath) {
    struct { const char* in; bool slash; const char* want; } cases[] = {
        {"c:\\spiele\\", false, "c:\\spiele"}, {"c:\\spiele\\", true, "c:\\spiele\\"},
        {"c:\\spiele", true, "c:\\spiele\\"},  {"c:\\", false, "c:\\"},
        {"c:", false, "c:\\"},                  {"c:", true, "c:\\"},
        {"", false, "\\"},                      {"ab\\\\", false, "ab\\"},
    };
    for (auto& c : cases) EXPECT_EQ(BackslashPath(c.in, c.slash), c.want) << c.in << " " << c.slash;
}

TEST(Text, StrToIntDefAcceptsOnlyWholeNumbers) {
    struct { const char* in; int want; } cases[] = {
        {"50", 50}, {"  7", 7}, {"-3", -3}, {"+4", 4}, {"$1F", 31}, {"-$10", -16},
        {"", 99}, {"abc", 99}, {"12 ", 99}, {"1x", 99}, {"$", 99}, {"-", 99},
        {"2147483647", 2147483647}, {"2147483648", 99}, {"-2147483648", -2147483647 - 1},
        {"$FFFFFFFF", -1}, {"$100000000", 99}, {"ja", 99},
    };
    for (auto& c : cases) EXPECT_EQ(StrToIntDef(c.in, 99), c.want) << '"' << c.in << '"';
}

TEST(Text, IntPrefixReadsAsFarAsItCan) {
    struct { const char* in; int want; } cases[] = {
        {"7", 7}, {"", 0}, {"42", 42}, {" 9", 9}, {"-9", -9}, {"$F", 15}, {"xA", 10}, {"XA", 10},
        {"1a", 1}, {"a1", 0}, {"$", 0}, {"-", 0}, {"99999999999", 999999999},
    };
    for (auto& c : cases) EXPECT_EQ(IntPrefix(c.in), c.want) << '"' << c.in << '"';
}

TEST(Errors, InOutErrorCarriesItsNumber) {
    InOutError e(3);
    EXPECT_STREQ(e.what(), "E/A-Fehler 3");
    EXPECT_EQ(e.Code(), 3);
}

}  // namespace zk
