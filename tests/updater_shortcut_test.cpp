// Shortcuts: the "Shortcut.Create" action of install scripts and the updater's second
// job, `updater -createShortcut -targetFilename T -shortcutFilename S`. A shortcut file
// holds the length of its target text, "#", and the target text: the target in quotes.
#include <string>
#include <vector>

#include "updater_fixture.h"

namespace e2e {
namespace {

using Strings = std::vector<std::string>;

// The content of a shortcut to `target`, quoted once more.
std::string ShortcutTo(const std::string& target) {
  const std::string quoted = "\"" + target + "\"";
  return std::to_string(quoted.size()) + "#" + quoted;
}

class ShortcutTest : public UpdaterTest {
 protected:
  void CreateShortcut(const std::string& target, const std::string& shortcut) {
    RunUpdater({"-createShortcut", "-targetFilename", target, "-shortcutFilename", shortcut});
  }
};

using ShortcutActionTest = ShortcutTest;
using ShortcutCommandTest = ShortcutTest;

// ---- Shortcut.Create -------------------------------------------------------------------

TEST_F(ShortcutActionTest, BothPathsAreExpandedAndTheTargetQuoted) {
  InstallWithActions(
      After("Shortcut.Create",
            R"(target="%AppPath%\Tool.exe" shortcutFilename="{Programs}\Kelmora Tool.lnk")") +
      After("Shortcut.Create", R"(target="{Windows}\a b.exe" shortcutFilename="%AppPath%.lnk")"));
  EXPECT_EQ(Read(u"\\Windows\\Start Menu\\Programs\\Kelmora Tool.lnk"),
            ShortcutTo("\\Program Files\\Tool\\Tool.exe"));
  EXPECT_EQ(Read(u"\\Program Files\\Tool.lnk"), ShortcutTo("\\Windows\\a b.exe"));
}

TEST_F(ShortcutActionTest, AnExistingShortcutIsReplaced) {
  device_.WriteFile(u"\\Windows\\Start Menu\\Programs\\Tool.lnk", ShortcutTo("\\Old\\Tool.exe"));
  InstallWithActions(After(
      "Shortcut.Create", R"(target="%AppPath%\Tool.exe" shortcutFilename="{Programs}\Tool.lnk")"));
  EXPECT_EQ(Read(u"\\Windows\\Start Menu\\Programs\\Tool.lnk"),
            ShortcutTo("\\Program Files\\Tool\\Tool.exe"));
}

TEST_F(ShortcutActionTest, AnEmptyTargetOrShortcutPathChangesNothing) {
  device_.WriteFile(u"\\Windows\\Start Menu\\Programs\\Tool.lnk", "old");
  InstallWithActions(
      After("Shortcut.Create", R"(shortcutFilename="{Programs}\Tool.lnk")") +
      After("Shortcut.Create", R"(target="" shortcutFilename="{Programs}\Tool.lnk")") +
      After("Shortcut.Create", R"(target="%AppPath%\Tool.exe")") +
      After("Shortcut.Create", R"(target="%AppPath%\Tool.exe" shortcutFilename="")"));
  EXPECT_EQ(Files(u"\\Windows"), Strings{"\\Windows\\Start Menu\\Programs\\Tool.lnk"});
  EXPECT_EQ(Read(u"\\Windows\\Start Menu\\Programs\\Tool.lnk"), "old");
  EXPECT_EQ(Files(u"\\Program Files"), Strings{"\\Program Files\\Tool\\Tool.exe"});
}

TEST_F(ShortcutActionTest, AShortcutInAMissingFolderIsNotMade) {
  InstallWithActions(After("Shortcut.Create",
                           R"(target="%AppPath%\Tool.exe" shortcutFilename="\Nowhere\Tool.lnk")"));
  EXPECT_FALSE(Exists(u"\\Nowhere"));
}

// ---- -createShortcut -------------------------------------------------------------------

TEST_F(ShortcutCommandTest, SwitchesStandInEitherOrderAndFolderMacrosAreExpanded) {
  CreateShortcut("{Windows}\\Tool.exe", "{Programs}\\Tool.lnk");
  RunUpdater({"-shortcutFilename", "\\My Documents\\Tool.lnk", "-targetFilename",
              "\\Program Files\\My Tool\\Tool.exe", "-createShortcut"});
  EXPECT_EQ(Read(u"\\Windows\\Start Menu\\Programs\\Tool.lnk"), ShortcutTo("\\Windows\\Tool.exe"));
  EXPECT_EQ(Read(u"\\My Documents\\Tool.lnk"), ShortcutTo("\\Program Files\\My Tool\\Tool.exe"));
}

TEST_F(ShortcutCommandTest, AQuotedTargetIsQuotedOnceMore) {
  CreateShortcut("\"\\Windows\\Tool.exe\"", "\\Windows\\Tool.lnk");
  EXPECT_EQ(Read(u"\\Windows\\Tool.lnk"), "21#\"\"\\Windows\\Tool.exe\"\"");
}

TEST_F(ShortcutCommandTest, AnExistingShortcutIsReplaced) {
  device_.WriteFile(u"\\Windows\\Tool.lnk", ShortcutTo("\\Old.exe"));
  CreateShortcut("\\Windows\\Tool.exe", "\\Windows\\Tool.lnk");
  EXPECT_EQ(Read(u"\\Windows\\Tool.lnk"), ShortcutTo("\\Windows\\Tool.exe"));
}

TEST_F(ShortcutCommandTest, AnEmptyOrMissingValueChangesNothing) {
  device_.WriteFile(u"\\Windows\\Tool.lnk", "old");
  CreateShortcut("", "\\Windows\\Tool.lnk");
  CreateShortcut("\\Windows\\Tool.exe", "");
  RunUpdater({"-createShortcut", "-shortcutFilename", "\\Windows\\Tool.lnk"});
  RunUpdater({"-createShortcut", "-shortcutFilename", "\\Windows\\Tool.lnk", "-targetFilename"});
  RunUpdater(
      {"-shortcutFilename", "\\Windows\\Tool.lnk", "-targetFilename", "\\Windows\\Tool.exe"});
  EXPECT_EQ(Files(u"\\Windows"), Strings{"\\Windows\\Tool.lnk"});
  EXPECT_EQ(Read(u"\\Windows\\Tool.lnk"), "old");
}

}  // namespace
}  // namespace e2e
