#include "system/ansi_string.h"

#include <gtest/gtest.h>

#include <string>

#include "system/name_value_pair.h"

namespace {

std::string Text(const AnsiString& s) {
  if (s.data == nullptr) return "<null>";
  return std::string(s.data, s.length);
}

TEST(AnsiStringTest, NullVersusEmpty) {
  const AnsiString byDefault;
  EXPECT_EQ(byDefault.data, nullptr);
  EXPECT_EQ(byDefault.capacity, 0);
  EXPECT_TRUE(byDefault.Equals(nullptr));
  EXPECT_FALSE(byDefault.Equals(""));

  const AnsiString fromNull(nullptr);  // unlike String, a null text gives the empty string
  ASSERT_NE(fromNull.data, nullptr);
  EXPECT_EQ(fromNull.capacity, 0);
  EXPECT_TRUE(fromNull.Equals(""));
  EXPECT_FALSE(fromNull.Equals(nullptr));
}

TEST(AnsiStringTest, AssignReusesOrReplacesExactly) {
  AnsiString s;
  s.Assign("0123456789", 10);
  char* const buffer = s.data;
  s.Assign("abcde", 5);
  EXPECT_EQ(s.data, buffer);
  EXPECT_EQ(s.capacity, 10);
  EXPECT_EQ(s.length, 5);
  EXPECT_EQ(s.data[5], 0);
  s.Assign("abcdefghijkl", 12);
  EXPECT_EQ(s.capacity, 12);
  EXPECT_EQ(Text(s), "abcdefghijkl");
}

TEST(AnsiStringTest, AssignWithZeroOrNegativeCount) {
  AnsiString s("abc");
  s.Assign(nullptr, 0);
  EXPECT_EQ(Text(s), "abc");
  s.Assign("x", 0);
  EXPECT_EQ(Text(s), "");
  EXPECT_EQ(s.capacity, 3);
  AnsiString null;
  null.Assign("x", -7);  // an unterminated CDATA section produces a negative count
  ASSERT_NE(null.data, nullptr);
  EXPECT_EQ(null.capacity, 0);
  EXPECT_TRUE(null.Equals(""));
}

TEST(AnsiStringTest, AssignFromOwnBuffer) {
  AnsiString s("abcdef");
  s.Assign(s.data + 1, 4);
  EXPECT_EQ(Text(s), "bcde");
  AnsiString grow("abc");
  grow.Assign(grow.data, 4);  // the zero too: grows while reading its own buffer
  EXPECT_EQ(grow.length, 4);
  EXPECT_EQ(Text(grow), std::string("abc\0", 4));
}

TEST(AnsiStringTest, ResizeLeavesContentsToTheCaller) {
  AnsiString s("abcdefgh");
  char* const buffer = s.data;
  s.Resize(3);
  EXPECT_EQ(s.data, buffer);
  EXPECT_EQ(s.length, 3);
  EXPECT_EQ(s.capacity, 8);
  EXPECT_EQ(s.data[3], 'd');  // nothing written at the new length
  AnsiString null;
  null.Resize(0);
  EXPECT_EQ(null.data, nullptr);
  null.Resize(4);
  EXPECT_EQ(null.capacity, 4);
  EXPECT_EQ(null.data[4], 0);
}

TEST(AnsiStringTest, AssignFromWideConvertsThroughWindows1252) {
  AnsiString s;
  s.AssignFromWide(TEXT("a\u4e2db"), 3);  // a character the code page lacks
  EXPECT_EQ(Text(s), "a?b");
  s.AssignFromWide(TEXT("\u20ac\u0081\u0178\u00e9"), 4);
  EXPECT_EQ(Text(s), "\x80\x81\x9f\xe9");
  s.AssignFromWide(TEXT("\u00a0\u0152"), 2);
  EXPECT_EQ(Text(s), "\xa0\x8c");
}

TEST(AnsiStringTest, AssignFromWideNeverLeavesUnsetBytes) {
  // Each half of a surrogate pair gets a "?", as Windows converts to code page 1252:
  // the string holds what the conversion produced, nothing more.
  AnsiString s;
  s.AssignFromWide(TEXT("x\U0001F600y"), 4);
  EXPECT_EQ(Text(s), "x??y");
  AnsiString null;
  null.AssignFromWide(TEXT(""), 0);
  EXPECT_EQ(null.data, nullptr);
  AnsiString withBuffer("abc");
  withBuffer.AssignFromWide(TEXT(""), 0);
  EXPECT_EQ(Text(withBuffer), "");
}

TEST(AnsiStringTest, EqualsIsCaseSensitive) {
  EXPECT_TRUE(AnsiString("Files").Equals("Files"));
  EXPECT_FALSE(AnsiString("Files").Equals("files"));
}

TEST(AnsiStringTest, MatchPrefix) {
  EXPECT_TRUE(MatchPrefix("![CDATA[x]]", "![CDATA[", 8));
  EXPECT_FALSE(MatchPrefix("lt", "lt;", 3));
  EXPECT_TRUE(MatchPrefix("a", "b", 0));
  EXPECT_TRUE(MatchPrefix(nullptr, nullptr, 3));
  EXPECT_FALSE(MatchPrefix(nullptr, "a", 1));
  EXPECT_FALSE(MatchPrefix("a", nullptr, 1));
}

TEST(AnsiStringTest, MoveLeavesTheNullString) {
  AnsiString a("text");
  AnsiString b(std::move(a));
  EXPECT_EQ(a.data, nullptr);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(Text(b), "text");
  AnsiString c("old");
  c = std::move(b);
  EXPECT_EQ(Text(c), "text");
}

TEST(NameValuePairTest, TakesTheNameAndNoValue) {
  const NameValuePair pair("name", 4);
  EXPECT_EQ(Text(pair.name), "name");
  EXPECT_EQ(pair.value.data, nullptr);
}

}  // namespace
