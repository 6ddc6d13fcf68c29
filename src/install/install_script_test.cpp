#include "install/install_script.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/string_text.h"
#include "testing/temp_device.h"

namespace {

using test::Text;

// Loads scripts without a package: nothing here reaches the package.
class InstallScriptTest : public ::testing::Test {
 protected:
  std::unique_ptr<InstallScript> Load(const char* text) {
    text_ = AnsiString(text);
    return std::make_unique<InstallScript>(text_, nullptr);
  }

  test::TempDevice device_;
  AnsiString text_;
};

TEST_F(InstallScriptTest, SectionsAreFoundAnywhereFirstInDocumentOrder) {
  auto script = Load(
      "<Package><Installation><AppPath>{ProgramFiles}\\Tool</AppPath><Exe>Tool.exe</Exe>"
      "<Files><File name=\"nested\"/></Files></Installation>"
      "<Files/><Actions><A n=\"1\"/></Actions><Actions><A n=\"2\"/></Actions></Package>");
  EXPECT_EQ(Text(script->appPath()), u"\\Program Files\\Tool");
  EXPECT_EQ(Text(script->exe()), u"Tool.exe");
  ASSERT_NE(script->files(), nullptr);
  EXPECT_EQ(script->files()->parent->name.Equals("Installation"), true);  // the nested one wins
  ASSERT_NE(script->actions(), nullptr);
  EXPECT_STREQ(script->actions()->children.ItemAt(0)->GetAttribute("n"), "1");
}

TEST_F(InstallScriptTest, MissingPiecesAreEmpty) {
  auto script = Load("<installation><AppPath>x</AppPath></installation><files/>");
  EXPECT_EQ(Text(script->appPath()), u"");
  EXPECT_EQ(Text(script->exe()), u"");
  EXPECT_EQ(script->files(), nullptr);  // names are case-sensitive
  EXPECT_EQ(script->actions(), nullptr);

  auto empty = Load("");
  EXPECT_EQ(Text(empty->appPath()), u"");
  EXPECT_EQ(empty->files(), nullptr);
  empty->Run();  // a missing section is treated as empty
}

TEST_F(InstallScriptTest, AppPathOnlyAsAChildElement) {
  auto script = Load("<Installation AppPath=\"\\Tool\"><Exe>%AppPath%\\a.exe</Exe></Installation>");
  EXPECT_EQ(Text(script->appPath()), u"");
  EXPECT_EQ(Text(script->exe()), u"%AppPath%\\a.exe");  // exe is never expanded
  EXPECT_EQ(Text(script->ExpandPath(String(u"%AppPath%\\a.exe"))), u"\\a.exe");
}

TEST_F(InstallScriptTest, ExpandPathReplacesAppPathThenFolderMacros) {
  auto script = Load("<Installation><AppPath>{Windows}\\App</AppPath></Installation>");
  EXPECT_EQ(Text(script->ExpandPath(String(u"%AppPath%\\bin"))), u"\\Windows\\App\\bin");
  EXPECT_EQ(Text(script->ExpandPath(String(u"{ProgramFiles}\\%AppPath%"))),
            u"\\Program Files\\\\Windows\\App");
  EXPECT_EQ(Text(script->ExpandPath(String(u"%apppath%"))), u"%apppath%");
  EXPECT_EQ(Text(script->ExpandPath(String(u""))), u"");
}

TEST_F(InstallScriptTest, CommentSwallowsTheActionsAfterIt) {
  auto script = Load(
      "<Actions><A event=\"Install.Before\"/><!-- later --><B "
      "event=\"Install.Before\"/></Actions>");
  ASSERT_NE(script->actions(), nullptr);
  EXPECT_EQ(script->actions()->children.Count(), 2);  // A and the comment element
  EXPECT_TRUE(script->actions()->children.ItemAt(1)->name.Equals("!--"));
}

}  // namespace
