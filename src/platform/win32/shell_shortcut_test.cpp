#include "platform/ce.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/win32/programs.h"
#include "testing/win32/shell_links.h"
#include "testing/win32/temp_drive.h"

namespace {

class ShellShortcutTest : public ::testing::Test {
 protected:
  BOOL Create(const wchar_t* shortcut, const wchar_t* target) {
    std::wstring shortcutText = shortcut != nullptr ? shortcut : L"";
    std::wstring targetText = target != nullptr ? target : L"";
    return SHCreateShortcut(shortcut != nullptr ? shortcutText.data() : nullptr,
                            target != nullptr ? targetText.data() : nullptr);
  }

  test::TempDrive drive_;
};

TEST_F(ShellShortcutTest, TheLinkStartsTheProgramWithItsArguments) {
  drive_.WriteFile(L"\\Program Files\\Kelmora Notes\\Notes.exe", "program");
  drive_.MakeFolders(L"\\Links");
  ASSERT_TRUE(
      Create(L"\\Links\\Notes.lnk", L"\"\\Program Files\\Kelmora Notes\\Notes.exe\" -tip Welcome"));
  const test::ShellLinkTarget link = test::ReadShellLink(drive_.Path(L"\\Links\\Notes.lnk"));
  EXPECT_TRUE(test::SamePath(link.path, drive_.Path(L"\\Program Files\\Kelmora Notes\\Notes.exe")))
      << test::Utf8(link.path);
  EXPECT_EQ(link.arguments, L"-tip Welcome");

  ASSERT_TRUE(Create(L"\\Links\\Bare.lnk", L"\\Windows\\Tool.exe"));
  const test::ShellLinkTarget bare = test::ReadShellLink(drive_.Path(L"\\Links\\Bare.lnk"));
  EXPECT_TRUE(test::SamePath(bare.path, drive_.Path(L"\\Windows\\Tool.exe")))
      << test::Utf8(bare.path);
  EXPECT_EQ(bare.arguments, L"");
}

TEST_F(ShellShortcutTest, AnExistingFileIsLeftAlone) {
  drive_.WriteFile(L"\\Links\\Notes.lnk", "not a link");
  EXPECT_FALSE(Create(L"\\Links\\Notes.lnk", L"\"\\Windows\\a.exe\""));
  EXPECT_EQ(drive_.ReadFile(L"\\Links\\Notes.lnk"), "not a link");
}

TEST_F(ShellShortcutTest, NothingIsWrittenIntoAMissingFolderOrForNoText) {
  EXPECT_FALSE(Create(L"\\Missing\\Notes.lnk", L"\"\\Windows\\a.exe\""));
  EXPECT_FALSE(drive_.Exists(L"\\Missing"));
  drive_.MakeFolders(L"\\Links");
  EXPECT_FALSE(Create(L"\\Links\\a.lnk", L""));
  EXPECT_FALSE(Create(L"\\Links\\a.lnk", nullptr));
  EXPECT_FALSE(Create(L"", L"\"\\Windows\\a.exe\""));
  EXPECT_FALSE(Create(nullptr, L"\"\\Windows\\a.exe\""));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(drive_.List(L"\\Links").empty());
}

}  // namespace
