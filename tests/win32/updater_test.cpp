// updater.exe on Windows, end to end: delivered products on a throw-away current drive,
// checked through the real Win32 calls (files, registry, windows, shell links).
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

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

TEST_F(UpdaterTest, ReplacesAnExistingShortcut) {
  drive_.WriteFile(L"\\Apps\\A.exe", probe_);
  drive_.WriteFile(L"\\Apps\\B.exe", probe_);
  drive_.MakeFolders(L"\\Links");
  RunUpdater(L"-createShortcut -targetFilename \\Apps\\A.exe -shortcutFilename \\Links\\App.lnk");
  RunUpdater(L"-createShortcut -targetFilename \\Apps\\B.exe -shortcutFilename \\Links\\App.lnk");
  EXPECT_TRUE(test::SamePath(test::ReadShellLink(drive_.Path(L"\\Links\\App.lnk")).path,
                             drive_.Path(L"\\Apps\\B.exe")));
}

}  // namespace
