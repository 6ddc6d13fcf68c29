#include "system/path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "system/folder_macros.h"
#include "testing/string_text.h"
#include "testing/temp_device.h"

namespace {

using test::Text;

std::u16string Combine(const char16_t* directory, const char16_t* name) {
  return Text(CombinePath(String(directory), String(name)));
}

TEST(PathTest, CombinePath) {
  EXPECT_EQ(Combine(u"\\Program Files\\App", u"a.exe"), u"\\Program Files\\App\\a.exe");
  EXPECT_EQ(Combine(u"\\Temp\\", u"\\x.gz"), u"\\Temp\\x.gz");
  EXPECT_EQ(Combine(u"\\Temp", u"\\\\x"), u"\\Temp\\\\x");  // only one leading backslash goes
  EXPECT_EQ(Combine(u"", u"a.exe"), u"a.exe");
  EXPECT_EQ(Combine(u"\\Temp", u""), u"\\Temp");
  EXPECT_EQ(Combine(u"\\", u"x"), u"\\x");
  EXPECT_EQ(Combine(nullptr, nullptr), u"<null>");
}

TEST(PathTest, GetDirectoryNameAndFileName) {
  EXPECT_EQ(Text(GetDirectoryName(String(u"\\Temp\\a.gz"))), u"\\Temp");
  EXPECT_EQ(Text(GetDirectoryName(String(u"\\a.gz"))), u"");
  EXPECT_EQ(Text(GetDirectoryName(String(u"a.gz"))), u"<null>");
  EXPECT_EQ(Text(GetDirectoryName(String(u"\\Temp\\"))), u"\\Temp");
  EXPECT_EQ(Text(GetDirectoryName(String())), u"");

  EXPECT_EQ(Text(GetFileName(String(u"\\Temp\\a.gz"))), u"a.gz");
  EXPECT_EQ(Text(GetFileName(String(u"a.gz"))), u"a.gz");
  EXPECT_EQ(Text(GetFileName(String(u"\\Temp\\"))), u"");
  EXPECT_EQ(Text(GetFileName(String())), u"");
}

class DevicePathTest : public ::testing::Test {
 protected:
  test::TempDevice device_;
};

TEST_F(DevicePathTest, ModuleAndSpecialFolders) {
  EXPECT_EQ(Text(GetModulePath()), u"\\Windows\\updater.exe");
  EXPECT_EQ(Text(GetModuleDirectory()), u"\\Windows");
  EXPECT_EQ(Text(GetFolderPath(CSIDL_PROGRAM_FILES, nullptr)), u"\\Program Files");
  EXPECT_EQ(Text(GetFolderPath(CSIDL_PROGRAMS, u"A.lnk")),
            u"\\Windows\\Start Menu\\Programs\\A.lnk");
}

TEST_F(DevicePathTest, ExpandFolderMacros) {
  const auto expand = [](const char16_t* text) { return Text(ExpandFolderMacros(String(text))); };
  EXPECT_EQ(expand(u"{ProgramFiles}\\Tool"), u"\\Program Files\\Tool");
  EXPECT_EQ(expand(u"{programfiles}\\Tool"), u"{programfiles}\\Tool");
  EXPECT_EQ(expand(u"{ Windows}"), u"{ Windows}");
  EXPECT_EQ(expand(u"{Windows}\\a;{Windows}\\b"), u"\\Windows\\a;\\Windows\\b");
  EXPECT_EQ(expand(u"{Programs}x"), u"\\Windows\\Start Menu\\Programsx");
  EXPECT_EQ(expand(u"\\Temp\\plain"), u"\\Temp\\plain");
}

TEST_F(DevicePathTest, FindFiles) {
  device_.WriteFile(u"\\Windows\\b.gz", "");
  device_.WriteFile(u"\\Windows\\a.gz", "");
  device_.WriteFile(u"\\Temp\\c.gz", "");
  System::Text::StringBuilder list;
  // A bare pattern searches the program's own folder.
  EXPECT_EQ(FindFiles(String(u"*.gz"), list, true), 1);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(Text(*list.ItemAt(0)), u"\\Windows\\a.gz");
  EXPECT_EQ(Text(*list.ItemAt(1)), u"\\Windows\\b.gz");
  EXPECT_EQ(FindFiles(String(u"\\Temp\\*.txt"), list, true), 1);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(FindFiles(String(u""), list, true), 0);
  EXPECT_TRUE(PathExists(String(u"\\Temp")));
  EXPECT_TRUE(PathExists(String(u"\\temp\\C.GZ")));
  EXPECT_FALSE(PathExists(String(u"\\Temp\\d.gz")));
}

}  // namespace
