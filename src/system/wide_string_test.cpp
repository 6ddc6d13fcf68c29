#include "system/wide_string.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/string_text.h"

namespace {

using test::Text;

TEST(StringTest, NullAndEmptyAreDistinctFromConstruction) {
  const String byDefault;
  const String fromNull(static_cast<const WCHAR*>(nullptr));
  for (const String* s : {&byDefault, &fromNull}) {
    EXPECT_EQ(s->data, nullptr);
    EXPECT_EQ(s->capacity, -1);
    EXPECT_TRUE(s->Equals(nullptr));
    EXPECT_FALSE(s->Equals(TEXT("")));
  }
  const String empty(TEXT(""));
  ASSERT_NE(empty.data, nullptr);
  EXPECT_EQ(empty.capacity, 0);
  EXPECT_EQ(empty.length, 0);
  EXPECT_TRUE(empty.Equals(TEXT("")));
  EXPECT_FALSE(empty.Equals(nullptr));
}

TEST(StringTest, CopiesKeepNullVersusEmpty) {
  const String null;
  const String copyOfNull(null);
  EXPECT_EQ(copyOfNull.data, nullptr);
  const String empty(TEXT(""));
  const String copyOfEmpty(empty);
  ASSERT_NE(copyOfEmpty.data, nullptr);
  EXPECT_NE(copyOfEmpty.data, empty.data);

  String target(TEXT("abc"));
  target = null;  // assigning the null string changes nothing
  EXPECT_EQ(Text(target), TEXT("abc"));
  target = empty;  // assigning an empty string empties it
  EXPECT_EQ(Text(target), TEXT(""));
  EXPECT_EQ(target.capacity, 3);
}

TEST(StringTest, AssignCStringNullEmptiesAndKeepsBuffer) {
  String s(TEXT("abc"));
  s.AssignCString(nullptr);
  EXPECT_EQ(Text(s), TEXT(""));
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
  s.Assign(TEXT("abcde"), 5);
  EXPECT_EQ(s.data, buffer);
  EXPECT_EQ(s.capacity, 10);
  EXPECT_EQ(s.length, 5);
  EXPECT_EQ(s.data[5], 0);
  s.Assign(TEXT("abcdefghijkl"), 12);
  EXPECT_EQ(s.capacity, 12);
  EXPECT_EQ(Text(s), TEXT("abcdefghijkl"));
}

TEST(StringTest, AssignWithZeroCount) {
  String s(TEXT("abc"));
  s.Assign(nullptr, 0);
  EXPECT_EQ(Text(s), TEXT("abc"));
  s.Assign(TEXT("x"), 0);
  EXPECT_EQ(Text(s), TEXT(""));
  EXPECT_EQ(s.capacity, 3);
  s.Assign(TEXT("x"), -4);  // negative counts act as 0
  EXPECT_EQ(Text(s), TEXT(""));
}

TEST(StringTest, AssignFromOwnBuffer) {
  String s(TEXT("abcdef"));
  s.Assign(s.data + 2, 3);  // shrinking copy of a part of itself
  EXPECT_EQ(Text(s), TEXT("cde"));
  // Growing from its own buffer (the terminating zero included): the old buffer must
  // still be readable while the copy is made.
  String grow(TEXT("abc"));
  grow.Assign(grow.data, 4);
  EXPECT_EQ(grow.length, 4);
  EXPECT_EQ(grow.capacity, 4);
  EXPECT_EQ(Text(grow), std::basic_string<WCHAR>(TEXT("abc\0"), 4));
  String self(TEXT("hello"));
  const String& alias = self;  // a self-assignment that the compiler does not see as one
  self = alias;
  EXPECT_EQ(Text(self), TEXT("hello"));
}

TEST(StringTest, ResizeKeepsBufferAndTerminates) {
  String s(TEXT("abcdefgh"));
  WCHAR* const buffer = s.data;
  s.Resize(3);
  EXPECT_EQ(s.data, buffer);
  EXPECT_EQ(s.capacity, 8);
  EXPECT_EQ(Text(s), TEXT("abc"));
  EXPECT_EQ(s.data[3], 0);
  String null;
  null.Resize(0);
  ASSERT_NE(null.data, nullptr);
  EXPECT_EQ(null.capacity, 0);
}

TEST(StringTest, AssignFromAnsiUsesWindows1252) {
  String s;
  s.AssignFromAnsi("Test", 4);
  EXPECT_EQ(Text(s), TEXT("Test"));
  s.AssignFromAnsi("\x80\x81\x9f\xe9", 4);
  EXPECT_EQ(Text(s), TEXT("\u20ac\u0081\u0178\u00e9"));
  String empty;
  empty.AssignFromAnsi("", 0);
  ASSERT_NE(empty.data, nullptr);
  EXPECT_EQ(empty.length, 0);
}

TEST(StringTest, IndexOfMatchesAtAndEndsWithAtTheEdges) {
  const String path(TEXT("\\Temp\\a.gz"));
  EXPECT_EQ(path.IndexOf(String(TEXT("\\")), 0), 0);
  EXPECT_EQ(path.IndexOf(String(TEXT("\\")), 1), 5);
  EXPECT_EQ(path.IndexOf(String(TEXT("\\")), 6), -1);
  EXPECT_EQ(path.IndexOf(String(TEXT("\\")), 100), -1);
  EXPECT_EQ(String(TEXT("abc")).IndexOf(String(TEXT("\\")), 0), -1);
  EXPECT_EQ(path.IndexOf(String(TEXT("")), 0), -1);
  EXPECT_EQ(path.IndexOf(String(), 0), -1);
  EXPECT_EQ(path.IndexOf(String(TEXT("gzip")), 0), -1);  // would run past the end

  EXPECT_TRUE(path.MatchesAt(path.length, String(TEXT(""))));
  EXPECT_FALSE(path.MatchesAt(path.length, String(TEXT("z"))));
  EXPECT_TRUE(path.MatchesAt(8, String(TEXT("gz"))));
  EXPECT_FALSE(path.MatchesAt(9, String(TEXT("gz"))));

  EXPECT_TRUE(String(TEXT("\\Temp\\")).EndsWith(TEXT("\\")));
  EXPECT_FALSE(String(TEXT("\\Temp")).EndsWith(TEXT("\\")));
  EXPECT_FALSE(String().EndsWith(TEXT("\\")));
  EXPECT_TRUE(String().EndsWith(TEXT("")));
  EXPECT_TRUE(String().EndsWith(nullptr));
  EXPECT_FALSE(String(TEXT("z")).EndsWith(TEXT("xyz")));
}

TEST(StringTest, AppendBuildsExactBuffers) {
  String s;
  s.Append(static_cast<const WCHAR*>(nullptr));
  ASSERT_NE(s.data, nullptr);  // appending nothing to the null string gives a buffer
  EXPECT_EQ(s.length, 0);
  s.Append(TEXT("ab"));
  s.Append(String(TEXT("cd")));
  s.AppendChar(TEXT('e'));
  EXPECT_EQ(Text(s), TEXT("abcde"));
  EXPECT_EQ(s.capacity, 5);
  s.Append(s);  // appending itself
  EXPECT_EQ(Text(s), TEXT("abcdeabcde"));
}

TEST(StringTest, ReplaceIsNonOverlappingAndDoesNotRescan) {
  const auto replace = [](const WCHAR* text, const WCHAR* pattern, const WCHAR* with) {
    return Text(String(text).Replace(String(pattern), String(with)));
  };
  EXPECT_EQ(replace(TEXT("\"{0}\""), TEXT("{0}"), TEXT("x")), TEXT("\"x\""));
  EXPECT_EQ(replace(TEXT("ababa"), TEXT("ab"), TEXT("xyz")), TEXT("xyzxyza"));
  EXPECT_EQ(replace(TEXT("aaa"), TEXT("aa"), TEXT("b")), TEXT("ba"));
  EXPECT_EQ(replace(TEXT("aa"), TEXT("a"), TEXT("aa")), TEXT("aaaa"));
  EXPECT_EQ(replace(TEXT("abc"), TEXT("x"), TEXT("y")), TEXT("abc"));
  EXPECT_EQ(replace(TEXT(""), TEXT("x"), TEXT("y")), TEXT(""));
  EXPECT_EQ(replace(TEXT("a%AppPath%b"), TEXT("%AppPath%"), TEXT("")), TEXT("ab"));
  EXPECT_EQ(Text(String(TEXT("axa")).Replace(String(TEXT("x")), String())), TEXT("aa"));
  EXPECT_EQ(Text(String(TEXT("%AppPath%")).Replace(String(TEXT("%AppPath%")), String(TEXT("x")))),
            TEXT("x"));
  const String source(TEXT("keep"));
  const String replaced = source.Replace(String(TEXT("e")), String(TEXT("E")));
  EXPECT_EQ(Text(source), TEXT("keep"));
  EXPECT_EQ(Text(replaced), TEXT("kEEp"));
  EXPECT_EQ(replaced.capacity, replaced.length);
  const String fromNull = String().Replace(String(TEXT("x")), String(TEXT("y")));
  ASSERT_NE(fromNull.data, nullptr);
  EXPECT_EQ(fromNull.length, 0);
}

TEST(StringTest, EqualsIsCaseSensitive) {
  EXPECT_TRUE(String(TEXT("-unpackProduct")).Equals(TEXT("-unpackProduct")));
  EXPECT_FALSE(String(TEXT("-unpackProduct")).Equals(TEXT("-UNPACKPRODUCT")));
  const WCHAR withZero[] = {TEXT('a'), 0, TEXT('b'), 0};
  String s;
  s.Assign(withZero, 3);
  EXPECT_TRUE(s.Equals(TEXT("a")));  // comparison stops at the first zero
}

}  // namespace
