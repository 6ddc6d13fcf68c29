// updater.exe on Windows, end to end: delivered products on a throw-away current drive,
// checked through the real Win32 calls (files, registry, windows, shell links).
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "package/package_writer.h"
#include "testing/gzip_bytes.h"
#include "testing/win32/files.h"
#include "testing/win32/programs.h"
#include "testing/win32/scoped_handle.h"
#include "testing/win32/shell_links.h"
#include "testing/win32/temp_drive.h"

namespace {

constexpr DWORD kPollMilliseconds = 50;
constexpr int kPollRounds = 1200;  // a minute: a bound for a started program, not a timing check

const wchar_t kTestKey[] = L"Software\\KelmoraUpdaterTest";
const wchar_t kProductKey[] = L"Software\\Kelmora\\UpdaterTestProduct";

std::string ProbeBytes() {
  return test::ReadWholeFile(test::ProgramBesideThisOne(L"window_probe.exe"));
}

// A delivered product: the gzip-compressed package with its install script and files,
// made for the package name `name` (the delivered file is "name.gz").
std::string DeliveredProduct(std::string_view name, std::string_view script,
                             std::vector<pkg::EntrySource> files) {
  files.insert(files.begin(), pkg::EntrySource{"InstallScript.xml", std::string(script), true});
  return test::GzipBytes(pkg::BuildPackage(name, files));
}

std::wstring RegistryText(HKEY root, const wchar_t* key, const wchar_t* name) {
  wchar_t text[256] = {};
  DWORD size = sizeof text;
  if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  return text;
}

DWORD RegistryNumber(HKEY root, const wchar_t* key, const wchar_t* name) {
  DWORD number = 0;
  DWORD size = sizeof number;
  if (RegGetValueW(root, key, name, RRF_RT_REG_DWORD, nullptr, &number, &size) != ERROR_SUCCESS) {
    return 0xDEADBEEF;
  }
  return number;
}

// The files below the folder `cePath`, as paths relative to it, sorted; folders show only
// through their files.
std::vector<std::wstring> FilesBelow(const test::TempDrive& drive, const std::wstring& cePath) {
  std::vector<std::wstring> files;
  for (const std::wstring& name : drive.List(cePath)) {
    const std::wstring path = cePath + L"\\" + name;
    const DWORD attributes = GetFileAttributesW(drive.Path(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      files.push_back(name);
      continue;
    }
    for (const std::wstring& inner : FilesBelow(drive, path)) files.push_back(name + L"\\" + inner);
  }
  std::sort(files.begin(), files.end());
  return files;
}

// How often `line` is a whole line of `text`.
int CountLines(const std::string& text, const std::string& line) {
  const std::string all = "\n" + text;
  const std::string wanted = "\n" + line + "\n";
  int count = 0;
  for (std::size_t at = all.find(wanted); at != std::string::npos; at = all.find(wanted, at + 1)) {
    ++count;
  }
  return count;
}

class UpdaterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTestKey);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductKey);
  }
  void TearDown() override { SetUp(); }

  // Runs updater.exe on the drive and expects it to exit with 0.
  void RunUpdater(const std::wstring& arguments) {
    EXPECT_EQ(
        test::RunProgram(test::ProgramBesideThisOne(L"updater.exe"), arguments, drive_.Path(L"\\")),
        0u);
  }

  // Waits until the log at `cePath` holds `line`; false when it never does.
  bool WaitForLogLine(const std::wstring& cePath, const std::string& line) {
    for (int round = 0; round < kPollRounds; ++round) {
      if (drive_.Exists(cePath) &&
          ("\n" + drive_.ReadFile(cePath)).find("\n" + line + "\n") != std::string::npos) {
        return true;
      }
      Sleep(kPollMilliseconds);
    }
    return false;
  }

  test::TempDrive drive_;
  const std::string probe_ = ProbeBytes();
};

TEST_F(UpdaterTest, InstallsTheFilesStartsTheProductAndRemovesTheDelivery) {
  ASSERT_FALSE(probe_.empty());
  drive_.WriteFile(L"\\Temp\\Probe.gz", DeliveredProduct("Probe", R"(<?xml version="1.0"?>
<Installation>
  <AppPath>\Apps\Kelmora Probe</AppPath>
  <Exe>Probe.exe</Exe>
</Installation>
<Files>
  <File name="Probe.exe"/>
  <File name="Help\Probe.htm"/>
  <File name="Shared.txt" destination="{ProgramFiles}\Kelmora Shared"/>
</Files>)",
                                                         {{"Probe.exe", probe_, false},
                                                          {"Help\\Probe.htm", "<p>help</p>", false},
                                                          {"Shared.txt", "shared", false}}));

  RunUpdater(L"-unpackProduct \\Temp");

  EXPECT_EQ(drive_.ReadFile(L"\\Apps\\Kelmora Probe\\Probe.exe"), probe_);
  EXPECT_EQ(drive_.ReadFile(L"\\Apps\\Kelmora Probe\\Help\\Probe.htm"), "<p>help</p>");
  // Special folders lie on the current drive.
  EXPECT_EQ(drive_.ReadFile(L"\\Program Files\\Kelmora Shared\\Shared.txt"), "shared");
  EXPECT_TRUE(drive_.List(L"\\Temp").empty());
  EXPECT_TRUE(
      WaitForLogLine(L"\\Apps\\Kelmora Probe\\Probe.exe.log", "commandLine -firstRun -zandrel"));
}

TEST_F(UpdaterTest, WritesRegistryValuesThatReadBackThroughTheRegistry) {
  // The script is ANSI text: "Gr\xFC\xDF" is "Grüß" in Windows-1252.
  drive_.WriteFile(L"\\Temp\\Values.gz", DeliveredProduct("Values",
                                                          R"(<?xml version="1.0"?>
<Installation><AppPath>\Apps\Values</AppPath></Installation>
<Actions>
  <Action event="Install.After" type="Registry.WriteValue" key="HKCU\Software\KelmoraUpdaterTest" valueName="Greeting" value="Gr)"
                                                          "\xFC\xDF"
                                                          R"("/>
  <Action event="Install.After" type="Registry.WriteValue" key="HKCU\Software\KelmoraUpdaterTest\Deep\Er" valueName="Count" dataType="dword" value="-5"/>
  <Action event="Install.Before" type="Registry.WriteValue" key="HKLM\Software\KelmoraUpdaterTest" valueName="" value="default"/>
</Actions>)",
                                                          {}));

  RunUpdater(L"-unpackProduct \\Temp");

  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kTestKey, L"Greeting"), L"Gr\u00FC\u00DF");
  EXPECT_EQ(RegistryNumber(HKEY_CURRENT_USER, L"Software\\KelmoraUpdaterTest\\Deep\\Er", L"Count"),
            static_cast<DWORD>(-5));
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kTestKey, nullptr), L"default");
}

TEST_F(UpdaterTest, StartsAnInstalledProductFoundThroughItsRegistryRecord) {
  drive_.WriteFile(L"\\Temp\\Runner.gz", DeliveredProduct("Runner", R"(<?xml version="1.0"?>
<Installation><AppPath>\Apps\Runner</AppPath></Installation>
<Files><File name="Probe.exe"/></Files>
<Actions>
  <Action event="Install.After" type="Registry.WriteValue" key="HKLM\Software\Kelmora\UpdaterTestProduct" valueName="LastAccessedVersion" value="2.1"/>
  <Action event="Install.After" type="Registry.WriteValue" key="HKLM\Software\Kelmora\UpdaterTestProduct\2.1" valueName="InstallPath" value="\Apps\Runner"/>
  <Action event="Install.After" type="Registry.WriteValue" key="HKLM\Software\Kelmora\UpdaterTestProduct\2.1" valueName="Exe" value="Probe.exe"/>
  <Action event="Install.After" type="Product.Run" id="UpdaterTestProduct"/>
</Actions>)",
                                                          {{"Probe.exe", probe_, false}}));

  RunUpdater(L"-unpackProduct \\Temp");

  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kProductKey, L"LastAccessedVersion"), L"2.1");
  // Product.Run starts it with an empty command line.
  EXPECT_TRUE(WaitForLogLine(L"\\Apps\\Runner\\Probe.exe.log", "commandLine "));
}

TEST_F(UpdaterTest, ClosesAWindowByItsTitleAndBroadcastsTheCloseRequest) {
  drive_.WriteFile(L"\\Running\\Probe.exe", probe_);
  const wchar_t kTitle[] = L"Kelmora Updater Test Window";
  const test::ScopedHandle running = test::StartProgram(
      drive_.Path(L"\\Running\\Probe.exe"), L"-window \"" + std::wstring(kTitle) + L"\"");
  for (int round = 0; round < kPollRounds && FindWindowW(nullptr, kTitle) == nullptr; ++round) {
    Sleep(kPollMilliseconds);
  }
  ASSERT_NE(FindWindowW(nullptr, kTitle), nullptr);
  drive_.WriteFile(L"\\Temp\\Closer.gz", DeliveredProduct("Closer", R"(<?xml version="1.0"?>
<Installation><AppPath>\Apps\Closer</AppPath></Installation>
<Actions>
  <Action event="Install.Before" type="App.CloseAllKelmoraApps"/>
  <Action event="Install.After" type="App.Close" windowTitle="KELMORA updater test window"/>
</Actions>)",
                                                          {}));

  RunUpdater(L"-unpackProduct \\Temp");

  // WM_CLOSE ends the probe; every message it got before is in its log by then.
  EXPECT_EQ(test::WaitForExit(running), 0u);
  const std::string log = "\n" + drive_.ReadFile(L"\\Running\\Probe.exe.log");
  const UINT closeRequest = RegisterWindowMessageW(L"Kelmora.CloseApp");
  ASSERT_NE(log.find("\nregistered " + std::to_string(closeRequest) + "\n"), std::string::npos);
  const std::size_t request = log.find("\nmessage " + std::to_string(closeRequest) + " 0 0\n");
  const std::size_t close = log.find("\nmessage 16 0 0\n");  // WM_CLOSE
  ASSERT_NE(request, std::string::npos) << log;
  ASSERT_NE(close, std::string::npos) << log;
  EXPECT_LT(request, close) << "Install.Before runs before Install.After";
}

TEST_F(UpdaterTest, CreatesShortcutsThatResolveToTheirTargets) {
  drive_.WriteFile(L"\\Apps\\Kelmora Probe\\Probe.exe", probe_);
  drive_.MakeFolders(L"\\Links");

  // The shortcut job of the command line.
  RunUpdater(
      L"-createShortcut -targetFilename \"\\Apps\\Kelmora Probe\\Probe.exe\" "
      L"-shortcutFilename \"\\Links\\Kelmora Probe.lnk\"");
  const test::ShellLinkTarget fromCommandLine =
      test::ReadShellLink(drive_.Path(L"\\Links\\Kelmora Probe.lnk"));
  EXPECT_TRUE(
      test::SamePath(fromCommandLine.path, drive_.Path(L"\\Apps\\Kelmora Probe\\Probe.exe")))
      << test::Utf8(fromCommandLine.path);
  EXPECT_EQ(fromCommandLine.arguments, L"");

  // The action of a script, into the programs folder, which lies on the current drive.
  drive_.WriteFile(L"\\Temp\\Linker.gz", DeliveredProduct("Linker", R"(<?xml version="1.0"?>
<Installation><AppPath>\Apps\Kelmora Probe</AppPath></Installation>
<Actions>
  <Action event="Install.After" type="Shortcut.Create" target="%AppPath%\Probe.exe" shortcutFilename="{Programs}\Kelmora Probe.lnk"/>
</Actions>)",
                                                          {}));
  RunUpdater(L"-unpackProduct \\Temp");
  wchar_t programs[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, programs, CSIDL_PROGRAMS, FALSE));
  const std::wstring linkPath = drive_.Path(std::wstring(programs + 2) + L"\\Kelmora Probe.lnk");
  const test::ShellLinkTarget fromScript = test::ReadShellLink(linkPath);
  EXPECT_TRUE(test::SamePath(fromScript.path, drive_.Path(L"\\Apps\\Kelmora Probe\\Probe.exe")))
      << test::Utf8(fromScript.path);
}

// A target given already in quotes, with or without arguments: the updater quotes it once
// more, and the link still starts the program, as the device's shortcut text does.
TEST_F(UpdaterTest, CreatesShortcutsToTargetsGivenInQuotes) {
  drive_.WriteFile(L"\\Apps\\Kelmora Probe\\Probe.exe", probe_);
  drive_.MakeFolders(L"\\Links");
  RunUpdater(
      L"-createShortcut -targetFilename \"\"\"\\Apps\\Kelmora Probe\\Probe.exe\"\"\" "
      L"-shortcutFilename \\Links\\Quoted.lnk");
  const test::ShellLinkTarget quoted = test::ReadShellLink(drive_.Path(L"\\Links\\Quoted.lnk"));
  EXPECT_TRUE(test::SamePath(quoted.path, drive_.Path(L"\\Apps\\Kelmora Probe\\Probe.exe")))
      << test::Utf8(quoted.path);
  EXPECT_EQ(quoted.arguments, L"");

  // Made again with arguments: the existing shortcut is replaced.
  RunUpdater(
      L"-createShortcut -targetFilename \"\"\"\\Apps\\Kelmora Probe\\Probe.exe\"\" -tip \"\"a "
      L"b\"\"\" "
      L"-shortcutFilename \\Links\\Quoted.lnk");
  const test::ShellLinkTarget withArguments =
      test::ReadShellLink(drive_.Path(L"\\Links\\Quoted.lnk"));
  EXPECT_TRUE(test::SamePath(withArguments.path, drive_.Path(L"\\Apps\\Kelmora Probe\\Probe.exe")))
      << test::Utf8(withArguments.path);
  EXPECT_EQ(withArguments.arguments, L"-tip \"a b\"");
}

TEST_F(UpdaterTest, ReplacesAnExistingShortcut) {
  drive_.WriteFile(L"\\Apps\\A.exe", probe_);
  drive_.WriteFile(L"\\Apps\\B.exe", probe_);
  drive_.MakeFolders(L"\\Links");
  RunUpdater(L"-createShortcut -targetFilename \\Apps\\A.exe -shortcutFilename \\Links\\App.lnk");
  RunUpdater(L"-createShortcut -targetFilename \\Apps\\B.exe -shortcutFilename \\Links\\App.lnk");
  EXPECT_TRUE(test::SamePath(test::ReadShellLink(drive_.Path(L"\\Links\\App.lnk")).path,
                             drive_.Path(L"\\Apps\\B.exe")));
}

// ---- Installations that cannot finish ---------------------------------------------------

const wchar_t kToolVersion[] = L"ToolVersion";

// Version 1 of a product "Tool": two files, and its version value written after them.
constexpr char kToolV1[] = R"(<?xml version="1.0"?>
<Installation><AppPath>\Apps\Tool</AppPath></Installation>
<Files>
  <File name="Tool.txt"/>
  <File name="Data\Words.dat"/>
</Files>
<Actions>
  <Action event="Install.After" type="Registry.WriteValue" key="HKLM\Software\KelmoraUpdaterTest" valueName="ToolVersion" value="1"/>
</Actions>)";

// Version 2: the same files renewed, and a program that it starts and a help file, both
// new; the help file comes last, so that the others are staged before it.
constexpr char kToolV2[] = R"(<?xml version="1.0"?>
<Installation><AppPath>\Apps\Tool</AppPath><Exe>Tool.exe</Exe></Installation>
<Files>
  <File name="Tool.txt"/>
  <File name="Data\Words.dat"/>
  <File name="Tool.exe"/>
  <File name="Help\Tool.htm"/>
</Files>
<Actions>
  <Action event="Install.After" type="Registry.WriteValue" key="HKLM\Software\KelmoraUpdaterTest" valueName="ToolVersion" value="2"/>
</Actions>)";

std::vector<pkg::EntrySource> ToolV1Files() {
  return {{"Tool.txt", "tool 1", false}, {"Data\\Words.dat", "words 1", false}};
}

// What stands in the way of version 2 in the folder of version 1.
struct Obstacle {
  const char* name;
  bool (*place)(const test::TempDrive& drive);
  bool (*remove)(const test::TempDrive& drive);
  std::vector<std::wstring> filesBesides;  // what it adds to the files below \Apps\Tool
};

void PrintTo(const Obstacle& obstacle, std::ostream* out) { *out << obstacle.name; }

const Obstacle kObstacles[] = {
    {"FolderWhereANewFileGoes",
     [](const test::TempDrive& drive) {
       drive.MakeFolders(L"\\Apps\\Tool\\Help\\Tool.htm");
       return true;
     },
     [](const test::TempDrive& drive) {
       return RemoveDirectoryW(drive.Path(L"\\Apps\\Tool\\Help\\Tool.htm").c_str()) != 0;
     },
     {}},
    {"ReadOnlyOldFile",
     [](const test::TempDrive& drive) {
       return SetFileAttributesW(drive.Path(L"\\Apps\\Tool\\Data\\Words.dat").c_str(),
                                 FILE_ATTRIBUTE_READONLY) != 0;
     },
     [](const test::TempDrive& drive) {
       return SetFileAttributesW(drive.Path(L"\\Apps\\Tool\\Data\\Words.dat").c_str(),
                                 FILE_ATTRIBUTE_NORMAL) != 0;
     },
     {}},
    {"FileWhereAFolderGoes",
     [](const test::TempDrive& drive) {
       drive.WriteFile(L"\\Apps\\Tool\\Help", "in the way");
       return true;
     },
     [](const test::TempDrive& drive) {
       return DeleteFileW(drive.Path(L"\\Apps\\Tool\\Help").c_str()) != 0;
     },
     {L"Help"}},
};

class ToolUpgradeTest : public UpdaterTest {
 protected:
  void InstallVersion1() {
    drive_.WriteFile(L"\\Temp\\Tool.gz", DeliveredProduct("Tool", kToolV1, ToolV1Files()));
    RunUpdater(L"-unpackProduct \\Temp");
    ASSERT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kTestKey, kToolVersion), L"1");
  }
  void DeliverVersion2() {
    drive_.WriteFile(L"\\Temp\\Tool.gz", DeliveredProduct("Tool", kToolV2,
                                                          {{"Tool.txt", "tool 2", false},
                                                           {"Data\\Words.dat", "words 2", false},
                                                           {"Tool.exe", probe_, false},
                                                           {"Help\\Tool.htm", "help 2", false}}));
  }
  // Version 1 as installed, `filesBesides` beside it and no other file below \Apps\Tool:
  // nothing of version 2, no staging file.
  void ExpectVersion1(const std::vector<std::wstring>& filesBesides = {}) {
    std::vector<std::wstring> files = {L"Data\\Words.dat", L"Tool.txt"};
    files.insert(files.end(), filesBesides.begin(), filesBesides.end());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(FilesBelow(drive_, L"\\Apps\\Tool"), files);
    EXPECT_EQ(drive_.ReadFile(L"\\Apps\\Tool\\Tool.txt"), "tool 1");
    EXPECT_EQ(drive_.ReadFile(L"\\Apps\\Tool\\Data\\Words.dat"), "words 1");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kTestKey, kToolVersion), L"1");
  }
};

class BlockedUpgradeTest : public ToolUpgradeTest,
                           public ::testing::WithParamInterface<Obstacle> {};

TEST_P(BlockedUpgradeTest, KeepsVersion1AndItsDeliveryUntilTheObstacleIsGone) {
  const Obstacle& obstacle = GetParam();
  ASSERT_NO_FATAL_FAILURE(InstallVersion1());
  ASSERT_TRUE(obstacle.place(drive_));
  DeliverVersion2();

  RunUpdater(L"-unpackProduct \\Temp");

  // No file of version 2 is in place, no staging file stayed, and version 2 was neither
  // started nor completed.
  ExpectVersion1(obstacle.filesBesides);
  EXPECT_EQ(drive_.List(L"\\Temp"), std::vector<std::wstring>{L"Tool.gz.try1"});

  ASSERT_TRUE(obstacle.remove(drive_));
  RunUpdater(L"-unpackProduct \\Temp");

  EXPECT_TRUE(WaitForLogLine(L"\\Apps\\Tool\\Tool.exe.log", "commandLine -firstRun -zandrel"));
  EXPECT_EQ(FilesBelow(drive_, L"\\Apps\\Tool"),
            (std::vector<std::wstring>{L"Data\\Words.dat", L"Help\\Tool.htm", L"Tool.exe",
                                       L"Tool.exe.log", L"Tool.txt"}));
  EXPECT_EQ(drive_.ReadFile(L"\\Apps\\Tool\\Tool.txt"), "tool 2");
  EXPECT_EQ(drive_.ReadFile(L"\\Apps\\Tool\\Data\\Words.dat"), "words 2");
  EXPECT_EQ(drive_.ReadFile(L"\\Apps\\Tool\\Help\\Tool.htm"), "help 2");
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kTestKey, kToolVersion), L"2");
  EXPECT_TRUE(drive_.List(L"\\Temp").empty());
}

INSTANTIATE_TEST_SUITE_P(Obstacles, BlockedUpgradeTest, ::testing::ValuesIn(kObstacles),
                         [](const ::testing::TestParamInfo<Obstacle>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(ToolUpgradeTest, GivesUpADeliveryAfterItsSecondAttempt) {
  ASSERT_NO_FATAL_FAILURE(InstallVersion1());
  const Obstacle& readOnly = kObstacles[1];
  ASSERT_TRUE(readOnly.place(drive_));
  DeliverVersion2();

  RunUpdater(L"-unpackProduct \\Temp");
  RunUpdater(L"-unpackProduct \\Temp");

  ExpectVersion1();
  EXPECT_TRUE(drive_.List(L"\\Temp").empty());
}

TEST_F(UpdaterTest, DiscardsADeliveryWhoseLastAttemptWasCutOff) {
  // What a run that ended during the second attempt leaves: the delivery set aside for
  // its last attempt and the package file expanded from it.
  std::vector<pkg::EntrySource> entries = ToolV1Files();
  entries.insert(entries.begin(), pkg::EntrySource{"InstallScript.xml", kToolV1, true});
  const std::string package = pkg::BuildPackage("Tool", entries);
  drive_.WriteFile(L"\\Temp\\Tool", package);
  drive_.WriteFile(L"\\Temp\\Tool.gz.try2", test::GzipBytes(package));

  RunUpdater(L"-unpackProduct \\Temp");

  EXPECT_TRUE(drive_.List(L"\\Temp").empty());
  EXPECT_FALSE(drive_.Exists(L"\\Apps\\Tool"));
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kTestKey, kToolVersion), L"<missing>");
}

TEST_F(UpdaterTest, AScriptCannotOverwriteItsOwnOpenPackage) {
  // Data larger than any read-ahead buffer, different at every offset.
  std::string big;
  for (int line = 0; big.size() < 600'000; ++line) big += std::to_string(line) + "\n";
  // Both unpack the open package "\Temp\Hostile" under another spelling. Windows drops
  // trailing dots, so "\Temp\Hostile." is expanded onto the package itself, which it
  // keeps open; "\Temp\Hostile\." would be expanded to "\Temp\Hostile\", a name Windows
  // refuses.
  drive_.WriteFile(L"\\Temp\\Hostile.gz", DeliveredProduct("Hostile", R"(<?xml version="1.0"?>
<Installation><AppPath>\Apps\Hostile</AppPath></Installation>
<Files><File name="big.dat"/></Files>
<Actions>
  <Action event="Install.Before" type="Product.Unpack" filename="\Temp\Hostile\."/>
  <Action event="Install.Before" type="Product.Unpack" filename="\Temp\Hostile."/>
  <Action event="Install.After" type="Registry.WriteValue" key="HKLM\Software\KelmoraUpdaterTest" valueName="Hostile" value="installed"/>
</Actions>)",
                                                           {{"big.dat", big, false}}));

  RunUpdater(L"-unpackProduct \\Temp");

  EXPECT_TRUE(drive_.ReadFile(L"\\Apps\\Hostile\\big.dat") == big);
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kTestKey, L"Hostile"), L"installed");
  EXPECT_TRUE(drive_.List(L"\\Temp").empty());
}

// A product `name` with one file and a value of its own, which, once installed, has the
// probe \Probe\Probe.exe log its name.
std::string ReportingProductScript(const std::string& name) {
  return R"(<Installation><AppPath>\Apps\)" + name + R"(</AppPath></Installation>
<Files><File name="Product.txt"/></Files>
<Actions>
  <Action event="Install.After" type="Registry.WriteValue" key="HKLM\Software\KelmoraUpdaterTest" valueName=")" +
         name + R"(" value="installed"/>
  <Action event="Install.After" type="App.Run" target="\Probe\Probe.exe" args=")" +
         name +
         R"("/>
</Actions>)";
}

TEST_F(UpdaterTest, TwoUpdatersStartedAtOnceInstallEachProductOnce) {
  const std::vector<std::string> names = {"Alpha", "Beta", "Gamma"};
  drive_.WriteFile(L"\\Probe\\Probe.exe", probe_);
  for (const std::string& name : names) {
    drive_.WriteFile(
        L"\\Temp\\" + std::wstring(name.begin(), name.end()) + L".gz",
        DeliveredProduct(name, ReportingProductScript(name), {{"Product.txt", name, false}}));
  }
  // A stand-in for an updater at work: the probe owns the install mutex until it is
  // ended, so that both updaters below are started and waiting before either lists.
  drive_.WriteFile(L"\\Holder\\Probe.exe", probe_);
  const test::ScopedHandle holder = test::StartProgram(drive_.Path(L"\\Holder\\Probe.exe"),
                                                       L"-holdMutex Kelmora.Updater.Install");
  std::vector<test::ScopedHandle> updaters;
  // Whatever the outcome, the holder is ended and the updaters have ended before the
  // drive is emptied.
  struct Ender {
    const test::ScopedHandle& holder;
    std::vector<test::ScopedHandle>& updaters;
    ~Ender() {
      TerminateProcess(holder.get(), 1);
      for (const test::ScopedHandle& updater : updaters) {
        WaitForSingleObject(updater.get(), 120'000);
      }
    }
  } const end{holder, updaters};
  const auto held = [&] {
    return drive_.Exists(L"\\Holder\\Probe.exe.log") &&
           drive_.ReadFile(L"\\Holder\\Probe.exe.log").find("\nholding ") != std::string::npos;
  };
  for (int round = 0; round < kPollRounds && !held(); ++round) {
    ASSERT_EQ(WaitForSingleObject(holder.get(), kPollMilliseconds), DWORD{WAIT_TIMEOUT});
  }
  ASSERT_TRUE(held());
  for (int i = 0; i < 2; ++i) {
    updaters.push_back(test::StartProgram(test::ProgramBesideThisOne(L"updater.exe"),
                                          L"-unpackProduct \\Temp", drive_.Path(L"\\")));
  }
  Sleep(1000);
  for (const test::ScopedHandle& updater : updaters) {
    EXPECT_EQ(WaitForSingleObject(updater.get(), 0), DWORD{WAIT_TIMEOUT}) << "did not wait";
  }
  EXPECT_EQ(drive_.List(L"\\Temp"),
            (std::vector<std::wstring>{L"Alpha.gz", L"Beta.gz", L"Gamma.gz"}));

  // Ended while holding it, the holder leaves the mutex abandoned to one of them.
  ASSERT_TRUE(TerminateProcess(holder.get(), 1));
  for (const test::ScopedHandle& updater : updaters) EXPECT_EQ(test::WaitForExit(updater), 0u);

  for (const std::string& name : names) {
    const std::wstring wideName(name.begin(), name.end());
    EXPECT_EQ(drive_.ReadFile(L"\\Apps\\" + wideName + L"\\Product.txt"), name);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kTestKey, wideName.c_str()), L"installed");
    EXPECT_TRUE(WaitForLogLine(L"\\Probe\\Probe.exe.log", "commandLine " + name)) << name;
  }
  const std::string log = drive_.ReadFile(L"\\Probe\\Probe.exe.log");
  for (const std::string& name : names) {
    EXPECT_EQ(CountLines(log, "commandLine " + name), 1) << log;
  }
  EXPECT_TRUE(drive_.List(L"\\Temp").empty());
}

}  // namespace
