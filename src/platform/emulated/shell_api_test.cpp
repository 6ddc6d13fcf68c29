#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/ce.h"
#include "testing/temp_device.h"

namespace {

class ShellTest : public ::testing::Test {
 protected:
  BOOL Shortcut(std::u16string path, std::u16string target) {
    return SHCreateShortcut(path.data(), target.data());
  }
  test::TempDevice device_;
};

TEST_F(ShellTest, ShortcutIsTheLengthAHashAndTheTargetInTheCodePage) {
  ASSERT_EQ(Shortcut(u"\\Windows\\Start Menu\\Programs\\App.lnk", u"\"\\Windows\\a.exe\""), TRUE);
  EXPECT_EQ(device_.ReadFile(u"\\Windows\\Start Menu\\Programs\\App.lnk"),
            "16#\"\\Windows\\a.exe\"");
  ASSERT_EQ(Shortcut(u"\\Temp\\caf\u00e9.lnk", u"\\Program Files\\Caf\u00e9\\\u20ac.exe"), TRUE);
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\caf\u00e9.lnk"), "25#\\Program Files\\Caf\xe9\\\x80.exe");
}

TEST_F(ShellTest, ShortcutFailsWritingNothing) {
  device_.WriteFile(u"\\Temp\\taken.lnk", "old");
  EXPECT_EQ(Shortcut(u"\\Temp\\TAKEN.LNK", u"\\Windows\\a.exe"), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\taken.lnk"), "old");
  EXPECT_EQ(Shortcut(u"\\Temp", u"\\Windows\\a.exe"), FALSE);
  EXPECT_EQ(Shortcut(u"\\Missing\\a.lnk", u"\\Windows\\a.exe"), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(Shortcut(u"\\Temp\\b.lnk", u""), FALSE);
  EXPECT_EQ(Shortcut(u"", u"\\Windows\\a.exe"), FALSE);
  EXPECT_EQ(SHCreateShortcut(nullptr, nullptr), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(device_.ListFiles(u"\\Temp"), std::vector<std::string>{"taken.lnk"});
}

TEST_F(ShellTest, SpecialFoldersAndModulePath) {
  WCHAR path[MAX_PATH];
  ASSERT_EQ(SHGetSpecialFolderPath(nullptr, path, CSIDL_PROGRAM_FILES, FALSE), TRUE);
  EXPECT_EQ(std::u16string(path), u"\\Program Files");
  ASSERT_EQ(SHGetSpecialFolderPath(nullptr, path, CSIDL_PROGRAMS, FALSE), TRUE);
  EXPECT_EQ(std::u16string(path), u"\\Windows\\Start Menu\\Programs");
  ASSERT_EQ(SHGetSpecialFolderPath(nullptr, path, CSIDL_WINDOWS, FALSE), TRUE);
  EXPECT_EQ(std::u16string(path), u"\\Windows");
  EXPECT_EQ(SHGetSpecialFolderPath(nullptr, path, 0x7777, FALSE), FALSE);

  // The create flag makes a missing folder, with its parents.
  ASSERT_TRUE(device_.Exists(u"\\Windows"));
  std::filesystem::remove_all(device_.HostPath(u"\\Windows"));
  ASSERT_EQ(SHGetSpecialFolderPath(nullptr, path, CSIDL_PROGRAMS, TRUE), TRUE);
  EXPECT_TRUE(device_.Exists(u"\\Windows\\Start Menu\\Programs"));

  WCHAR module[255];
  EXPECT_EQ(GetModuleFileNameW(nullptr, module, 255), 20u);
  EXPECT_EQ(std::u16string(module), u"\\Windows\\updater.exe");
  WCHAR small[8];
  EXPECT_EQ(GetModuleFileNameW(nullptr, small, 8), 8u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::u16string(small), u"\\Window");
}

}  // namespace
