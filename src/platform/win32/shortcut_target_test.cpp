#include "shortcut_target.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring Split(const wchar_t* text) {
  const ce::win32::ShortcutTarget target = ce::win32::SplitShortcutTarget(text);
  return L"[" + target.program + L"][" + target.arguments + L"]";
}

TEST(ShortcutTargetTest, AQuotedProgramAndItsArguments) {
  EXPECT_EQ(Split(L"\"\\Program Files\\A\\a.exe\" -tip Welcome"),
            L"[\\Program Files\\A\\a.exe][-tip Welcome]");
  EXPECT_EQ(Split(L"\"\\Windows\\a.exe\""), L"[\\Windows\\a.exe][]");
  EXPECT_EQ(Split(L"\"\\Windows\\a.exe\"   -x  \"y z\" "), L"[\\Windows\\a.exe][-x  \"y z\" ]");
  EXPECT_EQ(Split(L"\"\\Windows\\a.exe\"-x"), L"[\\Windows\\a.exe][-x]");
}

TEST(ShortcutTargetTest, AnUnquotedProgramEndsAtTheFirstSpace) {
  EXPECT_EQ(Split(L"\\Windows\\a.exe -x"), L"[\\Windows\\a.exe][-x]");
  EXPECT_EQ(Split(L"\\Windows\\a.exe"), L"[\\Windows\\a.exe][]");
  EXPECT_EQ(Split(L"\\Program Files\\a.exe"), L"[\\Program][Files\\a.exe]");
}

// A target given in quotes and quoted once more, as the updater passes it on: the
// program and arguments are those of the text inside the outer pair.
TEST(ShortcutTargetTest, DoubledQuotes) {
  EXPECT_EQ(Split(L"\"\"\\Windows\\a.exe\"\""), L"[\\Windows\\a.exe][]");
  EXPECT_EQ(Split(L"\"\"\\Program Files\\A\\a.exe\"\""), L"[\\Program Files\\A\\a.exe][]");
  EXPECT_EQ(Split(L"\"\"\\Program Files\\A\\a.exe\" -tip Welcome\""),
            L"[\\Program Files\\A\\a.exe][-tip Welcome]");
  EXPECT_EQ(Split(L"\"\"\\Windows\\a.exe\"  \"y z\"\""), L"[\\Windows\\a.exe][\"y z\"]");
  EXPECT_EQ(Split(L"\"\"\\Windows\\a.exe\" -x"), L"[\\Windows\\a.exe][-x]");  // no outer close
  EXPECT_EQ(Split(L"\"\"\""), L"[][]");
  EXPECT_EQ(Split(L"\"\"\"\""), L"[][]");
}

TEST(ShortcutTargetTest, OddTexts) {
  EXPECT_EQ(Split(L""), L"[][]");
  EXPECT_EQ(Split(L"\"\""), L"[][]");
  EXPECT_EQ(Split(L"\"\\Windows\\a.exe -x"), L"[\\Windows\\a.exe -x][]");  // never closed
  EXPECT_EQ(Split(L" -x"), L"[][-x]");
}

}  // namespace
