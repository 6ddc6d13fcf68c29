#include "system/wide_string.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Text(const String& s) {
  if (s.data == nullptr) return u"<null>";
  return std::u16string(s.data, s.length);
}

TEST(StringTest, NullAndEmptyAreDistinctFromConstruction) {
  const String byDefault;
  const String fromNull(static_cast<const WCHAR*>(nullptr));
  for (const String* s : {&byDefault, &fromNull}) {
    EXPECT_EQ(s->data, nullptr);
    EXPECT_EQ(s->capacity, -1);
    EXPECT_TRUE(s->Equals(nullptr));
    EXPECT_FALSE(s->Equals(u""));
  }
  const String empty(u"");
  ASSERT_NE(empty.data, nullptr);
  EXPECT_EQ(empty.capacity, 0);
  EXPECT_EQ(empty.length, 0);
  EXPECT_TRUE(empty.Equals(u""));
  EXPECT_FALSE(empty.Equals(nullptr));
}

TEST(StringTest, CopiesKeepNullVersusEmpty) {
  const String null;
  const String copyOfNull(null);
  EXPECT_EQ(copyOfNull.data, nullptr);
  const String empty(u"");
  const String copyOfEmpty(empty);
  ASSERT_NE(copyOfEmpty.data, nullptr);
  EXPECT_NE(copyOfEmpty.data, empty.data);

  String target(u"abc");
  target = null;  // assigning the null string changes nothing
  EXPECT_EQ(Text(target), u"abc");
  target = empty;  // assigning an empty string empties it
  EXPECT_EQ(Text(target), u"");
  EXPECT_EQ(target.capacity, 3);
}

TEST(StringTest, AssignCStringNullEmptiesAndKeepsBuffer) {
  String s(u"abc");
  s.AssignCString(nullptr);
  EXPECT_EQ(Text(s), u"");
  EXPECT_EQ(s.capacity, 3);
  String null;
  null.AssignCString(nullptr);
  ASSERT_NE(null.data, nullptr);
  EXPECT_EQ(null.capacity, 0);
}

TEST(StringTest, AssignGrowsExactlyAndReusesBuffer) {
  String s;
  s.Resize(10);
  WCHAR* const buffer = s.data;
  s.Assign(u"abcde", 5);
  EXPECT_EQ(s.data, buffer);
  EXPECT_EQ(s.capacity, 10);
  EXPECT_EQ(s.length, 5);
  EXPECT_EQ(s.data[5], 0);
  s.Assign(u"abcdefghijkl", 12);
  EXPECT_EQ(s.capacity, 12);
  EXPECT_EQ(Text(s), u"abcdefghijkl");
}

TEST(StringTest, AssignWithZeroCount) {
  String s(u"abc");
  s.Assign(nullptr, 0);
  EXPECT_EQ(Text(s), u"abc");
  s.Assign(u"x", 0);
  EXPECT_EQ(Text(s), u"");
  EXPECT_EQ(s.capacity, 3);
  s.Assign(u"x", -4);  // negative counts act as 0
  EXPECT_EQ(Text(s), u"");
}

TEST(StringTest, AssignFromOwnBuffer) {
  String s(u"abcdef");
  s.Assign(s.data + 2, 3);  // shrinking copy of a part of itself
  EXPECT_EQ(Text(s), u"cde");
  // Growing from its own buffer (the terminating zero included): the old buffer must
  // still be readable while the copy is made.
  String grow(u"abc");
  grow.Assign(grow.data, 4);
  EXPECT_EQ(grow.length, 4);
  EXPECT_EQ(grow.capacity, 4);
  EXPECT_EQ(Text(grow), std::u16string(u"abc\0", 4));
  String self(u"hello");
  self = self;
  EXPECT_EQ(Text(self), u"hello");
}

TEST(StringTest, ResizeKeepsBufferAndTerminates) {
  String s(u"abcdefgh");
  WCHAR* const buffer = s.data;
  s.Resize(3);
  EXPECT_EQ(s.data, buffer);
  EXPECT_EQ(s.capacity, 8);
  EXPECT_EQ(Text(s), u"abc");
  EXPECT_EQ(s.data[3], 0);
  String null;
  null.Resize(0);
  ASSERT_NE(null.data, nullptr);
  EXPECT_EQ(null.capacity, 0);
}

TEST(StringTest, AssignFromAnsiUsesWindows1252) {
  String s;
  s.AssignFromAnsi("Test", 4);
  EXPECT_EQ(Text(s), u"Test");
  s.AssignFromAnsi("\x80\x81\x9f\xe9", 4);
  EXPECT_EQ(Text(s), u"\u20ac\u0081\u0178\u00e9");
  String empty;
  empty.AssignFromAnsi("", 0);
  ASSERT_NE(empty.data, nullptr);
  EXPECT_EQ(empty.length, 0);
}

TEST(StringTest, IndexOfMatchesAtAndEndsWithAtTheEdges) {
  const String path(u"\\Temp\\a.gz");
  EXPECT_EQ(path.IndexOf(String(u"\\"), 0), 0);
  EXPECT_EQ(path.IndexOf(String(u"\\"), 1), 5);
  EXPECT_EQ(path.IndexOf(String(u"\\"), 6), -1);
  EXPECT_EQ(path.IndexOf(String(u"\\"), 100), -1);
  EXPECT_EQ(String(u"abc").IndexOf(String(u"\\"), 0), -1);
  EXPECT_EQ(path.IndexOf(String(u""), 0), -1);
  EXPECT_EQ(path.IndexOf(String(), 0), -1);
  EXPECT_EQ(path.IndexOf(String(u"gzip"), 0), -1);  // would run past the end

  EXPECT_TRUE(path.MatchesAt(path.length, String(u"")));
  EXPECT_FALSE(path.MatchesAt(path.length, String(u"z")));
  EXPECT_TRUE(path.MatchesAt(8, String(u"gz")));
  EXPECT_FALSE(path.MatchesAt(9, String(u"gz")));

  EXPECT_TRUE(String(u"\\Temp\\").EndsWith(u"\\"));
  EXPECT_FALSE(String(u"\\Temp").EndsWith(u"\\"));
  EXPECT_FALSE(String().EndsWith(u"\\"));
  EXPECT_TRUE(String().EndsWith(u""));
  EXPECT_TRUE(String().EndsWith(nullptr));
  EXPECT_FALSE(String(u"z").EndsWith(u"xyz"));
}

TEST(StringTest, AppendBuildsExactBuffers) {
  String s;
  s.Append(static_cast<const WCHAR*>(nullptr));
  ASSERT_NE(s.data, nullptr);  // appending nothing to the null string gives a buffer
  EXPECT_EQ(s.length, 0);
  s.Append(u"ab");
  s.Append(String(u"cd"));
  s.AppendChar(u'e');
  EXPECT_EQ(Text(s), u"abcde");
  EXPECT_EQ(s.capacity, 5);
  s.Append(s);  // appending itself
  EXPECT_EQ(Text(s), u"abcdeabcde");
}

TEST(StringTest, ReplaceIsNonOverlappingAndDoesNotRescan) {
  const auto replace = [](const char16_t* text, const char16_t* pattern, const char16_t* with) {
    return Text(String(text).Replace(String(pattern), String(with)));
  };
  EXPECT_EQ(replace(u"\"{0}\"", u"{0}", u"x"), u"\"x\"");
  EXPECT_EQ(replace(u"ababa", u"ab", u"xyz"), u"xyzxyza");
  EXPECT_EQ(replace(u"aaa", u"aa", u"b"), u"ba");
  EXPECT_EQ(replace(u"aa", u"a", u"aa"), u"aaaa");
  EXPECT_EQ(replace(u"abc", u"x", u"y"), u"abc");
  EXPECT_EQ(replace(u"", u"x", u"y"), u"");
  EXPECT_EQ(replace(u"a%AppPath%b", u"%AppPath%", u""), u"ab");
  EXPECT_EQ(Text(String(u"axa").Replace(String(u"x"), String())), u"aa");
  EXPECT_EQ(Text(String(u"%AppPath%").Replace(String(u"%AppPath%"), String(u"x"))), u"x");
  const String source(u"keep");
  const String replaced = source.Replace(String(u"e"), String(u"E"));
  EXPECT_EQ(Text(source), u"keep");
  EXPECT_EQ(Text(replaced), u"kEEp");
  EXPECT_EQ(replaced.capacity, replaced.length);
  const String fromNull = String().Replace(String(u"x"), String(u"y"));
  ASSERT_NE(fromNull.data, nullptr);
  EXPECT_EQ(fromNull.length, 0);
}

TEST(StringTest, EqualsIsCaseSensitive) {
  EXPECT_TRUE(String(u"-unpackProduct").Equals(u"-unpackProduct"));
  EXPECT_FALSE(String(u"-unpackProduct").Equals(u"-UNPACKPRODUCT"));
  const WCHAR withZero[] = {u'a', 0, u'b', 0};
  String s;
  s.Assign(withZero, 3);
  EXPECT_TRUE(s.Equals(u"a"));  // comparison stops at the first zero
}

}  // namespace
