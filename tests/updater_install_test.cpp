// The main job end to end: `updater -unpackProduct FOLDER` expands every delivered
// product of the folder, runs its install script and cleans up after it.
#include <unistd.h>

#include <functional>
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
  // An empty name names no entry, even where the package holds one without a name.
  Product product =
      Tool(R"(<File name="absent.txt" destination="%AppPath%\Empty\Deeper"/>)"
           R"(<File name="Tool.exe"/><File name="" destination="%AppPath%\Nameless"/>)");
  product.files.push_back({"", "nameless", false});
  Deliver(u"\\Temp\\Tool.gz", product);
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
  // What its package path would be is no file of the expansion's: it stays.
  device_.WriteFile(u"\\Temp\\Folder", "unrelated");
  Deliver(u"\\Temp\\Tool.gz", Tool());
  Unpack();
  EXPECT_EQ(Files(u"\\Temp"), (Strings{"\\Temp\\Folder", "\\Temp\\Folder.gz\\inside.txt"}));
  EXPECT_EQ(Read(u"\\Temp\\Folder"), "unrelated");
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

// ---- Installations that cannot finish --------------------------------------------------

// Version `v` of Tool: its program, a data file and a file below Sub, and its version
// record, which it writes once its files are in place.
Product ToolVersion(std::string_view v, std::string_view moreFiles = "") {
  return {Script("{ProgramFiles}\\Tool", "Tool.exe",
                 R"(<File name="Tool.exe"/><File name="data.txt"/><File name="Sub\new.txt"/>)" +
                     std::string(moreFiles),
                 After("Registry.WriteValue",
                       R"(key="HKLM\Software\Tool" valueName="Version" value=")" + std::string(v) +
                           R"(")")),
          {{"Tool.exe", "tool " + std::string(v), false},
           {"data.txt", "data " + std::string(v), false},
           {"Sub\\new.txt", "new " + std::string(v), false},
           {"new.cfg", "cfg", false},
           {"bad|name.txt", "refused", false}}};
}

struct Obstacle {
  const char* name;
  std::function<void(const test::TempDevice&)> put;
  std::function<void(const test::TempDevice&)> remove;  // none: the cause stays
  std::string_view moreFiles = "";
};

class UnfinishedInstallTest : public UpdaterTest, public ::testing::WithParamInterface<Obstacle> {
 protected:
  // Tool v1 is installed as it was, file for file, with its record; nothing was started.
  void ExpectVersionOneUntouched(std::size_t eventsBefore) {
    EXPECT_EQ(Read(u"\\Program Files\\Tool\\Tool.exe"), "tool 1");
    EXPECT_EQ(Read(u"\\Program Files\\Tool\\data.txt"), "data 1");
    EXPECT_EQ(Read(u"\\Program Files\\Tool\\Sub\\new.txt"), "new 1");
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, u"Software\\Tool", u"Version"), "sz:\"1\"");
    EXPECT_EQ(Events().size(), eventsBefore);
    for (const std::string& file : Files(u"\\")) {
      EXPECT_EQ(file.find('~'), std::string::npos) << "a staging file stayed: " << file;
    }
  }
};

TEST_P(UnfinishedInstallTest, ChangesNothingKeepsTheDeliveryAndTriesItOnceMore) {
  const Obstacle& obstacle = GetParam();
  Deliver(u"\\Temp\\Tool.gz", ToolVersion("1"));
  Unpack();
  ASSERT_EQ(Read(u"\\Program Files\\Tool\\data.txt"), "data 1");
  const std::size_t events = Events().size();

  obstacle.put(device_);
  Deliver(u"\\Temp\\Tool.gz", ToolVersion("2", obstacle.moreFiles));
  Unpack();
  ExpectVersionOneUntouched(events);
  EXPECT_EQ(Files(u"\\Temp"), Strings{"\\Temp\\Tool.gz.try1"});

  if (obstacle.remove) {
    obstacle.remove(device_);
    Unpack();
    EXPECT_EQ(Read(u"\\Program Files\\Tool\\Tool.exe"), "tool 2");
    EXPECT_EQ(Read(u"\\Program Files\\Tool\\data.txt"), "data 2");
    EXPECT_EQ(Read(u"\\Program Files\\Tool\\Sub\\new.txt"), "new 2");
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, u"Software\\Tool", u"Version"), "sz:\"2\"");
    EXPECT_EQ(Events().back(), Started("\\Program Files\\Tool\\Tool.exe", "-firstRun -zandrel"));
  } else {
    // The second attempt fails too, and is the last: the delivery is gone.
    Unpack();
    ExpectVersionOneUntouched(events);
  }
  EXPECT_EQ(Files(u"\\Temp"), Strings{});
}

INSTANTIATE_TEST_SUITE_P(
    Obstacles, UnfinishedInstallTest,
    ::testing::Values(
        Obstacle{"AFolderWhereAFileGoes",
                 [](const test::TempDevice& device) {
                   device.WriteFile(u"\\Program Files\\Tool\\new.cfg\\in.txt", "x");
                 },
                 [](const test::TempDevice& device) {
                   ::unlink(device.HostPath(u"\\Program Files\\Tool\\new.cfg\\in.txt").c_str());
                   ::rmdir(device.HostPath(u"\\Program Files\\Tool\\new.cfg").c_str());
                 },
                 R"(<File name="new.cfg"/>)"},
        Obstacle{"AFileWhereAFolderGoes",
                 [](const test::TempDevice& device) {
                   device.WriteFile(u"\\Program Files\\Tool\\Etc", "x");
                 },
                 [](const test::TempDevice& device) {
                   ::unlink(device.HostPath(u"\\Program Files\\Tool\\Etc").c_str());
                 },
                 R"(<File name="data.txt" destination="%AppPath%\Etc"/>)"},
        Obstacle{"AReadOnlyFile",
                 [](const test::TempDevice&) {
                   SetFileAttributesW(u"\\Program Files\\Tool\\data.txt", FILE_ATTRIBUTE_READONLY);
                 },
                 [](const test::TempDevice&) {
                   SetFileAttributesW(u"\\Program Files\\Tool\\data.txt", FILE_ATTRIBUTE_NORMAL);
                 }},
        Obstacle{"ANameTheDeviceRefuses", [](const test::TempDevice&) {}, nullptr,
                 R"(<File name="bad|name.txt"/>)"}),
    [](const ::testing::TestParamInfo<Obstacle>& info) { return std::string(info.param.name); });

TEST_F(InstallTest, ADeliveryWhoseLastAttemptWasInterruptedIsDiscarded) {
  // Set aside by earlier runs: for a second attempt, and after a second attempt that was
  // interrupted (it left its package file).
  device_.WriteFile(u"\\Temp\\Other.gz.try1",
                    DeliveryBytes("Other.gz", {Script("\\Other", "Other.exe", "", "")}));
  device_.WriteFile(u"\\Temp\\Tool.gz.try2", DeliveryBytes("Tool.gz", Tool()));
  device_.WriteFile(u"\\Temp\\Tool", "the package an interrupted attempt left");
  Unpack();
  EXPECT_EQ(Files(u"\\Temp"), Strings{});
  EXPECT_EQ(Files(u"\\Program Files"), Strings{});
  EXPECT_EQ(Events(), Strings{Missing("\\Other\\Other.exe", "-firstRun -zandrel")});
}

TEST_F(InstallTest, StagingFilesLeftByAnInterruptedRunAreRemovedAndNeverInstalled) {
  device_.WriteFile(u"\\Program Files\\Tool\\~upd0.tmp", "half a file");
  device_.WriteFile(u"\\Program Files\\Tool\\~UPD17.TMP", "another");
  device_.WriteFile(u"\\Program Files\\Tool\\~4", "a short one");
  device_.WriteFile(u"\\Program Files\\Tool\\~updates.tmp", "the user's");
  Deliver(u"\\Temp\\Tool.gz", Tool());
  Unpack();
  const Strings installed{"\\Program Files\\Tool\\Tool.exe", "\\Program Files\\Tool\\~updates.tmp"};
  EXPECT_EQ(Files(u"\\Program Files"), installed);
  // A product may not name a file like a staging file: such a product is not installed.
  Product named = Tool(R"(<File name="Tool.exe"/><File name="~upd5.tmp"/>)");
  named.files.push_back({"~upd5.tmp", "named like a staging file", false});
  Deliver(u"\\Temp\\Tool.gz", named);
  Unpack();
  EXPECT_EQ(Files(u"\\Program Files"), installed);
  EXPECT_EQ(Files(u"\\Temp"), Strings{"\\Temp\\Tool.gz.try1"});
}

TEST_F(InstallTest, AProductThatDeliversItselfAgainLeavesThatDelivery) {
  const std::string again = DeliveryBytes("Tool.gz", Tool());
  Product product = Tool(R"(<File name="Tool.exe"/><File name="Tool.gz" destination="\Temp"/>)");
  product.files.push_back({"Tool.gz", again, false});
  Deliver(u"\\Temp\\Tool.gz", product);
  Unpack();
  EXPECT_EQ(Files(u"\\Temp"), Strings{"\\Temp\\Tool.gz"});
  EXPECT_EQ(Read(u"\\Temp\\Tool.gz"), again);
  Unpack();
  EXPECT_EQ(Files(u"\\Temp"), Strings{});
  EXPECT_EQ(Events().size(), 2u);
}

TEST_F(InstallTest, FilesLinkedToHostFilesAreReplacedNeverWrittenThrough) {
  const std::string outside = device_.hostDir() + "/outside.txt";
  test::WriteHostFile(outside, "the host's");
  ASSERT_NE(CreateDirectoryW(u"\\Program Files\\Tool", nullptr), FALSE);
  ASSERT_EQ(::link(outside.c_str(), device_.HostPath(u"\\Program Files\\Tool\\Tool.exe").c_str()),
            0);
  // The expansion writes the package file over a linked file too.
  ASSERT_EQ(::link(outside.c_str(), device_.HostPath(u"\\Temp\\Tool").c_str()), 0);
  Deliver(u"\\Temp\\Tool.gz", Tool());
  Unpack();
  EXPECT_EQ(Read(u"\\Program Files\\Tool\\Tool.exe"), "tool");
  EXPECT_EQ(test::ReadHostFile(outside), "the host's");
  EXPECT_EQ(Files(u"\\Temp"), Strings{});
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
