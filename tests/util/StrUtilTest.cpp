#include <gtest/gtest.h>

#include "util/StrUtil.h"

using namespace ombrix;

TEST(GetField, FollowsEveryRule) {
  EXPECT_EQ(GetField("a,b,c", 2, ','), "b");
  EXPECT_EQ(GetField("a,b,c", 0, ','), "a");       // n of 0 counts as 1
  EXPECT_EQ(GetField("", 1, ','), "");
  EXPECT_EQ(GetField("x", 1, ','), "");            // one character: empty
  EXPECT_EQ(GetField("abc", 3, ','), "abc");       // no delimiter: whole text for any n
  EXPECT_EQ(GetField("a,b", 3, ','), "");          // fewer fields than n
  EXPECT_EQ(GetField(" a , b", 2, ','), " b");     // not trimmed
  EXPECT_EQ(GetField("a,,c", 2, ','), "");
  EXPECT_EQ(GetField("a,b,", 3, ','), "");
}

TEST(CountFields, CountsDelimitersPlusOneOrZero) {
  EXPECT_EQ(CountFields("abc", ','), 0);
  EXPECT_EQ(CountFields("a,b", ','), 2);
  EXPECT_EQ(CountFields(",", ','), 2);
  EXPECT_EQ(CountFields("", ','), 0);
}

TEST(GetField, SplitsTabbedRecordsAndIgnoresNegativeN) {
  const std::string line = "IL,Chicago,LOT\tN0R, Short Range Reflectivity\t\t1";
  EXPECT_EQ(GetField(line, 1, '\t'), "IL,Chicago,LOT");
  EXPECT_EQ(GetField(line, 2, '\t'), "N0R, Short Range Reflectivity");
  EXPECT_EQ(GetField(line, 3, '\t'), "");
  EXPECT_EQ(GetField(line, 4, '\t'), "1");
  EXPECT_EQ(GetField(line, 5, '\t'), "");
  EXPECT_EQ(GetField(line, -3, '\t'), "IL,Chicago,LOT");
  EXPECT_EQ(CountFields(line, '\t'), 4);
  EXPECT_EQ(GetField(",", 1, ','), "");  // one character, even the delimiter
  EXPECT_EQ(GetField(",,", 2, ','), "");
  EXPECT_EQ(CountFields(",,", ','), 3);
}

TEST(TextHelpers, TrimAndCompareWithoutCase) {
  EXPECT_EQ(Trim(" \t x y \r\n"), "x y");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x \x01"), "  x");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // 8-bit characters are text
  EXPECT_EQ(UpperCase("lot_n0r_01.bmp"), "LOT_N0R_01.BMP");
  EXPECT_EQ(LowerCase("ÄB"), "Äb");
  EXPECT_TRUE(SameText("PMapServer7", "PMAPSERVER7"));
  EXPECT_FALSE(SameText("abc", "abcd"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("b", "A"), 0);
  EXPECT_LT(CompareText("ab", "AB_"), 0);
  EXPECT_EQ(CompareText("x\xE9", "X\xE9"), 0);
  EXPECT_GT(CompareText("\xE9", "z"), 0);  // 8-bit sorts after ASCII
  EXPECT_TRUE(StartsWithText("Error: x", "ERROR"));
  EXPECT_FALSE(StartsWith("Error: x", "ERROR"));
  EXPECT_TRUE(EndsWithText("n0r_0.PNG", ".png"));
  EXPECT_FALSE(EndsWithText("g", ".png"));
}

TEST(TryParseInt, AcceptsDecimalAndHexOnly) {
  long long v = 0;
  EXPECT_TRUE(TryParseInt(" 42 ", v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(TryParseInt("-7", v));
  EXPECT_EQ(v, -7);
  EXPECT_TRUE(TryParseInt("0x1F", v));
  EXPECT_EQ(v, 31);
  EXPECT_TRUE(TryParseInt("0XfF", v));
  EXPECT_EQ(v, 255);
  EXPECT_TRUE(TryParseInt("2147483647", v));
  EXPECT_EQ(v, 2147483647);
  EXPECT_TRUE(TryParseInt("-2147483648", v));
  EXPECT_EQ(v, -2147483648LL);
  EXPECT_TRUE(TryParseInt("0xFFFFFFFF", v));  // 32-bit hex wraps as in the original integers
  EXPECT_EQ(v, -1);
  for (const char* bad : {"", " ", "1.5", "12a", "0x", "0xG", "+", "2147483648", "99999999999999999999", "1 2",
                          "--1", "0x100000000"}) {
    v = 123;
    EXPECT_FALSE(TryParseInt(bad, v)) << bad;
    EXPECT_EQ(v, 123) << bad;
  }
  EXPECT_EQ(StrToIntDef("7", 6000), 7);
  EXPECT_EQ(StrToIntDef("seven", 6000), 6000);
  EXPECT_EQ(StrToIntDef("", 1), 1);
}
