#include "name_compare.h"

#include <gtest/gtest.h>

namespace {

TEST(NameCompareTest, FoldsAsciiLatin1AndBeyond) {
  EXPECT_TRUE(emu::EqualsIgnoringCase(u"Program Files", u"PROGRAM files"));
  EXPECT_TRUE(emu::EqualsIgnoringCase(u"\u00e9\u00ff\u0101\u017e", u"\u00c9\u0178\u0100\u017d"));
  EXPECT_TRUE(emu::EqualsIgnoringCase(u"\u03c3\u0444", u"\u03a3\u0424"));
  EXPECT_FALSE(emu::EqualsIgnoringCase(u"\u00f7", u"\u00d7"));  // division and multiplication
  EXPECT_FALSE(emu::EqualsIgnoringCase(u"a", u"ab"));
  EXPECT_EQ(emu::FoldedKey(u"Caf\u00e9"), "CAF\u00c9");
}

TEST(NameCompareTest, WildcardsAnchorAtBothEnds) {
  EXPECT_TRUE(emu::MatchesWildcard(u"*.gz", u"A.GZ"));
  EXPECT_FALSE(emu::MatchesWildcard(u"*.gz", u"a.gzip"));
  EXPECT_FALSE(emu::MatchesWildcard(u"*.gz", u"gz"));
  EXPECT_TRUE(emu::MatchesWildcard(u"*.gz", u"a.tar.gz"));
  EXPECT_TRUE(emu::MatchesWildcard(u"a*b*c", u"aXbYbZc"));
  EXPECT_FALSE(emu::MatchesWildcard(u"a*b*c", u"aXbYcZ"));
  EXPECT_TRUE(emu::MatchesWildcard(u"?", u"x"));
  EXPECT_FALSE(emu::MatchesWildcard(u"?", u""));
  EXPECT_TRUE(emu::MatchesWildcard(u"*", u""));
  EXPECT_TRUE(emu::MatchesWildcard(u"*.*", u"noextension"));
  EXPECT_FALSE(emu::MatchesWildcard(u"*.?", u"a.bc"));
}

TEST(NameCompareTest, OrderIgnoresCaseThenBreaksTiesOrdinally) {
  EXPECT_TRUE(emu::LessIgnoringCase(u"a", u"B"));
  EXPECT_TRUE(emu::LessIgnoringCase(u"B", u"c"));
  EXPECT_TRUE(emu::LessIgnoringCase(u"A", u"a"));
  EXPECT_FALSE(emu::LessIgnoringCase(u"a", u"A"));
  EXPECT_TRUE(emu::LessIgnoringCase(u"ab", u"ABC"));
  EXPECT_TRUE(emu::LessIgnoringCase(u"Z", u"_"));  // 'Z' < '_' < 'a' once folded
}

}  // namespace
