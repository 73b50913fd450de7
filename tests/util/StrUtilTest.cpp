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
