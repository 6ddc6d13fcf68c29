// The main job end to end: `updater -unpackProduct FOLDER` expands every delivered
// product of the folder, runs its install script and cleans up after it.
#include <string>
#include <vector>

#include "testing/gzip_bytes.h"
#include "updater_fixture.h"

namespace e2e {
namespace {

using InstallTest = UpdaterTest;
using Strings = std::vector<std::string>;

// A product that installs `Tool.exe` (and `files`) into \Program Files\Tool and starts it.
Product Tool(std::string_view files = R"(<File name="Tool.exe"/>)", std::string_view actions = "") {
  return {Script("{ProgramFiles}\\Tool", "Tool.exe", files, actions),
          {{"Tool.exe", "tool", false}}};
}

// ---- The order of an installation ------------------------------------------------------

TEST_F(InstallTest, BeforeActionsThenFilesThenTheProductsStartThenAfterActions) {
  // Whether an action's program is already there shows when the Files pass ran.
  Deliver(u"\\Temp\\Tool.gz",
          Tool(R"(<File name="Tool.exe"/>)",
               After("App.Run", R"(target="%AppPath%\Tool.exe" args="after")") +
                   Before("App.Run", R"(target="%AppPath%\Tool.exe" args="first")") +
                   Before("App.Run", R"(target="%AppPath%\Tool.exe" args="second")")));
  Unpack();
  EXPECT_EQ(Events(), (Strings{Missing("\\Program Files\\Tool\\Tool.exe", "first"),
                               Missing("\\Program Files\\Tool\\Tool.exe", "second"),
                               Started("\\Program Files\\Tool\\Tool.exe", "-firstRun -zandrel"),
                               Started("\\Program Files\\Tool\\Tool.exe", "after")}));
  EXPECT_EQ(Files(u"\\Program Files"), Strings{"\\Program Files\\Tool\\Tool.exe"});
  EXPECT_EQ(Read(u"\\Program Files\\Tool\\Tool.exe"), "tool");
  EXPECT_EQ(Files(u"\\Temp"), Strings{});  // the delivered file and the package are gone
}

TEST_F(InstallTest, ProductsAreInstalledOneAfterTheOtherInDirectoryOrder) {
  const std::string closeAll = After("App.CloseAllKelmoraApps");
  Deliver(u"\\Temp\\b.gz", {Script("\\Apps", "b.exe", "", closeAll)});
  Deliver(u"\\Temp\\C.GZ", {Script("\\Apps", "C.exe", "", closeAll)});
  Deliver(u"\\Temp\\A.gz", {Script("\\Apps", "A.exe", "", closeAll)});
  Unpack();
  EXPECT_EQ(
      Events(),
      (Strings{Missing("\\Apps\\A.exe", "-firstRun -zandrel"), "broadcast Kelmora.CloseApp",
               Missing("\\Apps\\b.exe", "-firstRun -zandrel"), "broadcast Kelmora.CloseApp",
               Missing("\\Apps\\C.exe", "-firstRun -zandrel"), "broadcast Kelmora.CloseApp"}));
  EXPECT_EQ(Files(u"\\Temp"), Strings{});
}

TEST_F(InstallTest, WithoutExeNothingIsStartedAndBothEventsStillFire) {
  Deliver(u"\\Temp\\Data.gz",
          {Script("\\Data", "", R"(<File name="d.txt"/>)",
                  Before("App.CloseAllKelmoraApps") + After("App.CloseAllKelmoraApps")),
           {{"d.txt", "data", false}}});
  Unpack();
  EXPECT_EQ(Events(), (Strings{"broadcast Kelmora.CloseApp", "broadcast Kelmora.CloseApp"}));
  EXPECT_EQ(Files(u"\\Data"), Strings{"\\Data\\d.txt"});
}

// ---- Where the files go ----------------------------------------------------------------

TEST_F(InstallTest, AnAbsentOrEmptyDestinationIsTheApplicationFolder) {
  Deliver(u"\\Temp\\Tool.gz",
          {Script("{ProgramFiles}\\Tool", "",
                  R"(<File name="a.txt"/><File name="b.txt" destination=""/>)", ""),
           {{"a.txt", "A", false}, {"b.txt", "B", false}}});
  Unpack();
  EXPECT_EQ(Files(u"\\Program Files"),
            (Strings{"\\Program Files\\Tool\\a.txt", "\\Program Files\\Tool\\b.txt"}));
}

TEST_F(InstallTest, DestinationsAndNamesJoinWithOneBackslash) {
  Deliver(u"\\Temp\\Tool.gz",
          {Script("{ProgramFiles}\\Tool", "",
                  R"(<File name="plain.txt" destination="\Windows"/>)"
                  R"(<File name="trailing.txt" destination="{Windows}\"/>)"
                  R"(<File name="\leading.txt" destination="%AppPath%\Data"/>)"
                  R"(<File name="relative.txt" destination="Relative"/>)"
                  R"(<File name="Help\Index.htm"/>)"
                  R"(<File name="Deep\er\Down.txt" destination="{ProgramFiles}\Shared"/>)",
                  ""),
           {{"plain.txt", "1", false},
            {"trailing.txt", "2", false},
            {"\\leading.txt", "3", false},  // looked up with its backslash
            {"relative.txt", "4", false},
            {"Help\\Index.htm", "5", false},
            {"Deep\\er\\Down.txt", "6", false}}});
  Unpack();
  EXPECT_EQ(Files(u"\\Program Files"), (Strings{"\\Program Files\\Shared\\Deep\\er\\Down.txt",
                                                "\\Program Files\\Tool\\Data\\leading.txt",
                                                "\\Program Files\\Tool\\Help\\Index.htm"}));
  EXPECT_EQ(Files(u"\\Windows"), (Strings{"\\Windows\\plain.txt", "\\Windows\\trailing.txt"}));
  EXPECT_EQ(Files(u"\\Relative"), Strings{"\\Relative\\relative.txt"});
  EXPECT_EQ(Read(u"\\Program Files\\Shared\\Deep\\er\\Down.txt"), "6");
}

TEST_F(InstallTest, AppPathWithATrailingBackslashGivesTwoAfterIt) {
  Deliver(u"\\Temp\\Tool.gz", {Script("\\Tool\\", "Tool.exe", R"(<File name="Tool.exe"/>)",
                                      After("App.Run", R"(target="%AppPath%\Tool.exe")")),
                               {{"Tool.exe", "tool", false}}});
  Unpack();
  // The device reads two backslashes as one, so the file lands all the same.
  EXPECT_EQ(Files(u"\\Tool"), Strings{"\\Tool\\Tool.exe"});
  // The product's start joins the folder itself; "%AppPath%\" keeps both backslashes.
  EXPECT_EQ(Events(), (Strings{Started("\\Tool\\Tool.exe", "-firstRun -zandrel"),
                               Started("\\Tool\\\\Tool.exe", "")}));
}

TEST_F(InstallTest, TheProductsStartJoinsFolderAndExeWithOneBackslash) {
  Deliver(u"\\Temp\\A.gz", {Script("\\Tool", "\\Lead.exe", "", "")});
  Deliver(u"\\Temp\\B.gz", {Script("\\Tool", "\\\\Two.exe", "", "")});
  Deliver(u"\\Temp\\C.gz", {Script("\\Tool\\", "Trail.exe", "", "")});
  Unpack();
  // One leading backslash of Exe is dropped, a second one is kept.
  EXPECT_EQ(Events(), (Strings{Missing("\\Tool\\Lead.exe", "-firstRun -zandrel"),
                               Missing("\\Tool\\\\Two.exe", "-firstRun -zandrel"),
                               Missing("\\Tool\\Trail.exe", "-firstRun -zandrel")}));
}

TEST_F(InstallTest, WithoutAppPathFilesGoToTheRootFolder) {
  Deliver(u"\\Temp\\Tool.gz",
          {Script("", "", R"(<File name="root.txt"/><File name="Sub\sub.txt"/>)", ""),
           {{"root.txt", "r", false}, {"Sub\\sub.txt", "s", false}}});
  Unpack();
  EXPECT_EQ(Read(u"\\root.txt"), "r");
  EXPECT_EQ(Read(u"\\Sub\\sub.txt"), "s");
  EXPECT_EQ(Events(), Strings{});
}

TEST_F(InstallTest, AnEntryThePackageLacksCreatesItsFolderButNoFile) {
  Deliver(u"\\Temp\\Tool.gz",
          Tool(R"(<File name="absent.txt" destination="%AppPath%\Empty\Deeper"/>)"
               R"(<File name="Tool.exe"/>)"));
  Unpack();
  EXPECT_EQ(Folders(u"\\Program Files"),
            (Strings{"\\Program Files\\Tool", "\\Program Files\\Tool\\Empty",
                     "\\Program Files\\Tool\\Empty\\Deeper"}));
  EXPECT_EQ(Files(u"\\Program Files"), Strings{"\\Program Files\\Tool\\Tool.exe"});
}

TEST_F(InstallTest, EntriesAreWrittenByteForByteAsStored) {
  const std::string data = test::RandomBytes(250000, 7);
  Deliver(u"\\Temp\\Tool.gz",
          {Script("{ProgramFiles}\\Tool", "",
                  R"(<File name="big.bin"/><File name="secret.bin"/><File name="empty.bin"/>)", ""),
           {{"big.bin", data, false},
            {"secret.bin", "scrambled text", true},
            {"empty.bin", "", false}}});
  device_.WriteFile(u"\\Program Files\\Tool\\empty.bin", "old content");
  Unpack();
  EXPECT_EQ(Read(u"\\Program Files\\Tool\\big.bin"), data);
  EXPECT_EQ(Read(u"\\Program Files\\Tool\\empty.bin"), "");  // truncated
  // A scrambled entry keeps its scrambled bytes: only the install script is decoded.
  std::string stored = "scrambled text";
  pkg::Scrambler("Tool").EncodeInPlace(stored.data(), stored.size());
  EXPECT_NE(stored, "scrambled text");
  EXPECT_EQ(Read(u"\\Program Files\\Tool\\secret.bin"), stored);
}

TEST_F(InstallTest, NamesOutsideAsciiAreDeviceCodePageText) {
  // The script is narrow text in the device code page (Windows-1252): byte E9 is an e acute.
  Deliver(u"\\Temp\\Caf\u00e9.gz",
          {Script("{ProgramFiles}\\Caf\xE9", "", "<File name=\"R\xE9sum\xE9.txt\"/>", ""),
           {{"R\xE9sum\xE9.txt", "cv", false}}});
  Unpack();
  EXPECT_EQ(Read(u"\\Program Files\\Caf\u00e9\\R\u00e9sum\u00e9.txt"), "cv");
  EXPECT_EQ(Files(u"\\Temp"), Strings{});
}

// ---- Delivered files -------------------------------------------------------------------

TEST_F(InstallTest, APlainPackageDeliveredWithoutCompressionIsInstalled) {
  device_.WriteFile(u"\\Temp\\Tool.gz", PackageBytes("Tool", Tool()));
  Unpack();
  EXPECT_EQ(Files(u"\\Program Files"), Strings{"\\Program Files\\Tool\\Tool.exe"});
  EXPECT_EQ(Files(u"\\Temp"), Strings{});
}

TEST_F(InstallTest, AScrambledInstallScriptIsDecoded) {
  Deliver(u"\\Temp\\Tool.gz",
          {"", {{"InstallScript.xml", Tool().script, true}, {"Tool.exe", "tool", false}}, true});
  Unpack();
  EXPECT_EQ(Files(u"\\Program Files"), Strings{"\\Program Files\\Tool\\Tool.exe"});
}

TEST_F(InstallTest, APackageWithoutInstallScriptIsRemovedAllTheSame) {
  Deliver(u"\\Temp\\Tool.gz", {"", {{"Tool.exe", "tool", false}}, true});
  Unpack();
  EXPECT_EQ(Files(u"\\Temp"), Strings{});
  EXPECT_EQ(Files(u"\\Program Files"), Strings{});
  EXPECT_EQ(Events(), Strings{});
}

TEST_F(InstallTest, ADamagedDeliveryIsKeptAndNothingOfItInstalledWhileTheNextProductIs) {
  // A complete package whose gzip trailer does not match it: the check fails only at the
  // very end, when every byte of the package has been written.
  std::string badChecksum = DeliveryBytes("A.gz", Tool());
  badChecksum[badChecksum.size() - 8] ^= 0x55;
  device_.WriteFile(u"\\Temp\\A.gz", badChecksum);
  std::string cutShort = DeliveryBytes("C.gz", Tool());
  cutShort.resize(cutShort.size() / 2);
  device_.WriteFile(u"\\Temp\\C.gz", cutShort);
  Deliver(u"\\Temp\\B.gz",
          {Script("\\B", "B.exe", R"(<File name="B.exe"/>)", ""), {{"B.exe", "b", false}}});
  Unpack();
  EXPECT_EQ(Files(u"\\Temp"), (Strings{"\\Temp\\A.gz", "\\Temp\\C.gz"}));
  EXPECT_EQ(Read(u"\\Temp\\A.gz"), badChecksum);
  EXPECT_EQ(Read(u"\\Temp\\C.gz"), cutShort);
  EXPECT_EQ(Files(u"\\Program Files"), Strings{});
  EXPECT_EQ(Files(u"\\B"), Strings{"\\B\\B.exe"});
  EXPECT_EQ(Events(), Strings{Started("\\B\\B.exe", "-firstRun -zandrel")});
}

TEST_F(InstallTest, AFileAtThePackagePathIsOverwrittenAndRemoved) {
  device_.WriteFile(u"\\Temp\\Tool", std::string(100000, 'x'));
  Deliver(u"\\Temp\\Tool.gz", Tool());
  Unpack();
  EXPECT_EQ(Files(u"\\Program Files"), Strings{"\\Program Files\\Tool\\Tool.exe"});
  EXPECT_EQ(Files(u"\\Temp"), Strings{});
}

TEST_F(InstallTest, HiddenAndOtherFilesAreNotDeliveries) {
  Deliver(u"\\Temp\\.Dotted.gz", {Script("\\Dotted", "", "", ""), {}});
  Deliver(u"\\Temp\\Hidden.gz", {Script("\\Hidden", "", "", ""), {}});
  ASSERT_NE(SetFileAttributesW(u"\\Temp\\Hidden.gz", FILE_ATTRIBUTE_HIDDEN), 0);
  Deliver(u"\\Temp\\Tool.gzip", Tool());
  Deliver(u"\\Temp\\Shown.gz", {Script("\\Shown", "Shown.exe", "", ""), {}});
  Unpack();
  EXPECT_EQ(Files(u"\\Temp"),
            (Strings{"\\Temp\\.Dotted.gz", "\\Temp\\Hidden.gz", "\\Temp\\Tool.gzip"}));
  EXPECT_EQ(Events(), Strings{Missing("\\Shown\\Shown.exe", "-firstRun -zandrel")});
}

TEST_F(InstallTest, AFolderNamedLikeADeliveryIsPassedOver) {
  device_.WriteFile(u"\\Temp\\Folder.gz\\inside.txt", "kept");
  Deliver(u"\\Temp\\Tool.gz", Tool());
  Unpack();
  EXPECT_EQ(Files(u"\\Temp"), Strings{"\\Temp\\Folder.gz\\inside.txt"});
  EXPECT_EQ(Files(u"\\Program Files"), Strings{"\\Program Files\\Tool\\Tool.exe"});
}

TEST_F(InstallTest, DeliveriesThatAppearDuringTheRunWaitForTheNextRun) {
  // A's files put B.gz into the folder after the folder was listed.
  Deliver(u"\\Temp\\A.gz",
          {Script("\\A", "", R"(<File name="B.gz" destination="\Temp"/>)", ""),
           {{"B.gz", DeliveryBytes("B.gz", {Script("\\B", "B.exe", "", "")}), false}}});
  Unpack();
  EXPECT_EQ(Files(u"\\Temp"), Strings{"\\Temp\\B.gz"});
  EXPECT_EQ(Events(), Strings{});
  Unpack();
  EXPECT_EQ(Files(u"\\Temp"), Strings{});
  EXPECT_EQ(Events(), Strings{Missing("\\B\\B.exe", "-firstRun -zandrel")});
}

// ---- The command line ------------------------------------------------------------------

TEST_F(InstallTest, TheFolderMayBeQuotedOrAFolderMacroAndMustExist) {
  Deliver(u"\\My Documents\\In Box\\Tool.gz", Tool());
  Deliver(u"\\Windows\\Tool.gz", Tool());
  RunUpdater({"-unpackProduct", "\\My Documents\\Missing"});
  RunUpdater({"-unpackProduct", ""});
  RunUpdater({"-UnpackProduct", "\\My Documents\\In Box"});
  RunUpdater({"-unpackProduct"});
  RunUpdater({"-unpackProduct", "", "\\My Documents\\In Box"});  // the value is the empty argument
  EXPECT_EQ(Events(), Strings{});
  Unpack("\\My Documents\\In Box");
  Unpack("{Windows}");
  EXPECT_EQ(Events(), (Strings{Started("\\Program Files\\Tool\\Tool.exe", "-firstRun -zandrel"),
                               Started("\\Program Files\\Tool\\Tool.exe", "-firstRun -zandrel")}));
  EXPECT_FALSE(Exists(u"\\My Documents\\In Box\\Tool.gz"));
  EXPECT_FALSE(Exists(u"\\Windows\\Tool.gz"));
}

TEST_F(InstallTest, UnpackProductWinsOverCreateShortcut) {
  Deliver(u"\\Temp\\Tool.gz", Tool());
  RunUpdater({"-createShortcut", "-targetFilename", "\\Windows\\a.exe", "-shortcutFilename",
              "\\Windows\\a.lnk", "-unpackProduct", "\\Temp"});
  EXPECT_FALSE(Exists(u"\\Windows\\a.lnk"));
  EXPECT_EQ(Files(u"\\Program Files"), Strings{"\\Program Files\\Tool\\Tool.exe"});
  // A switch after "-unpackProduct" is its folder value, and still no shortcut is made.
  RunUpdater({"-unpackProduct", "-createShortcut", "-targetFilename", "\\Windows\\a.exe",
              "-shortcutFilename", "\\Windows\\a.lnk"});
  EXPECT_FALSE(Exists(u"\\Windows\\a.lnk"));
}

}  // namespace
}  // namespace e2e
