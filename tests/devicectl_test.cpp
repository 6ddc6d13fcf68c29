// devicectl run as a program on a throw-away device, output and exit codes checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/ce.h"
#include "testing/run_program.h"
#include "testing/temp_device.h"

namespace {

namespace fs = std::filesystem;

class DevicectlTest : public ::testing::Test {
 protected:
  test::ProgramResult Run(std::vector<std::string> args, std::string_view input = {}) {
    args.insert(args.begin(), {"--device", device_.hostDir()});
    return test::RunProgram(DEVICECTL_PATH, args, input);
  }
  // Checks a failure: its exit code, nothing on standard output, one line on standard
  // error.
  static void ExpectFailure(const test::ProgramResult& result, int exitCode,
                            const std::string& firstLine) {
    EXPECT_EQ(result.exitCode, exitCode) << firstLine;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.substr(0, result.err.find('\n') + 1), firstLine + "\n");
  }

  test::TempDevice device_;
};

TEST_F(DevicectlTest, InitMakesTheFoldersOnTheDeviceThatCeDeviceNames) {
  const std::string dir = device_.hostDir() + "/new device";
  auto result = test::RunProgram(DEVICECTL_PATH, {"init"}, {}, {"CE_DEVICE=" + dir});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(fs::is_directory(dir + "/fs/Windows/Start Menu/Programs"));
  EXPECT_TRUE(fs::is_regular_file(dir + "/device.db"));
  result = test::RunProgram(DEVICECTL_PATH, {"--device=" + dir, "init"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  // The tool's options may follow the command too.
  result = test::RunProgram(DEVICECTL_PATH, {"ls", "--device", dir});
  EXPECT_EQ(result.out,
            "D----\t0\tMy Documents\nD----\t0\tProgram Files\nD----\t0\tTemp\nD----\t0\tWindows\n");
}

TEST_F(DevicectlTest, HelpComesFromTheCommandTable) {
  auto result = Run({"help"});
  EXPECT_EQ(result.exitCode, 0);
  for (const char* line :
       {"usage: devicectl [--device DIR] COMMAND [ARGS]", "  init ", "  reg export [KEY] ",
        "  reg import FILE|- ", "  window add TITLE [--class NAME] ", "  window list ",
        "  events [--clear] ", "  attrib +h|-h PATH ", "  ls [-R] [--json] [PATH] ",
        "exit codes:\n", "  2  usage error\n"}) {
    EXPECT_NE(result.out.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(Run({"--help"}).out, result.out);
  result = Run({"reg", "import", "--help"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out.substr(0, result.out.find('\n')), "usage: devicectl reg import FILE|-");
  EXPECT_EQ(Run({"help", "window", "add"}).out.substr(0, 42),
            "usage: devicectl window add TITLE [--class");
  // Help anywhere before "--", and each argument and option described.
  for (const std::vector<std::string>& line : std::vector<std::vector<std::string>>{
           {"-h", "window", "add"}, {"window", "add", "x", "-h"}, {"window", "add", "--help"}}) {
    result = Run(line);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out.substr(0, 42), "usage: devicectl window add TITLE [--class");
    EXPECT_NE(result.out.find("\n  --class NAME  the window's class name"), std::string::npos)
        << result.out;
  }
  // After "--", -h is an argument: the title of a window.
  EXPECT_EQ(Run({"window", "add", "--", "-h"}).exitCode, 0);
  EXPECT_NE(Run({"window", "list"}).out.find("\t-h\n"), std::string::npos);
  result = Run({"--version"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.out.starts_with("devicectl 1.")) << result.out;
}

// A mistyped command line exits 2, what cannot be read (a path not on the device) 3.
TEST_F(DevicectlTest, MistakesAreOneLineErrorsWithTheirExitCode) {
  constexpr int kUsage = 2;
  constexpr int kUnreadable = 3;
  const struct {
    std::vector<std::string> args;  // after --device DIR
    int exitCode;
    std::string firstLine;
  } cases[] = {
      {{"evnts"}, kUsage, "devicectl: unknown command 'evnts', did you mean 'events'?"},
      {{"window", "lst"},
       kUsage,
       "devicectl: unknown command 'window lst', did you mean 'window list'?"},
      {{"frobnicate"}, kUsage, "devicectl: unknown command 'frobnicate'"},
      {{"window"}, kUsage, "devicectl: 'window' needs one of: window add, window list"},
      {{}, kUsage, "devicectl: no command given; 'devicectl help' lists the commands"},
      {{"events", "--all"}, kUsage, "devicectl: events: unknown option '--all'"},
      {{"window", "add"}, kUsage, "devicectl: window add: missing argument"},
      {{"ls", "a", "b"}, kUsage, "devicectl: ls: unexpected argument 'b'"},
      {{"attrib", "+x", "\\Temp"}, kUsage, "devicectl: attrib: expected +h or -h and a path"},
      {{"ls", "\\Missing"}, kUnreadable, "devicectl: ls: \\Missing: not found"},
  };
  for (const auto& c : cases) ExpectFailure(Run(c.args), c.exitCode, c.firstLine);
  ExpectFailure(test::RunProgram(DEVICECTL_PATH, {"--colour", "ls"}), kUsage,
                "devicectl: unknown option '--colour'");
  ExpectFailure(test::RunProgram(DEVICECTL_PATH, {"--device"}), kUsage,
                "devicectl: option '--device' needs a value");
}

TEST_F(DevicectlTest, RegistryExportAndImport) {
  const std::string file = device_.hostDir() + "/in.reg";
  test::WriteHostFile(
      file,
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kelp\\1.0]\r\n"
      "\"InstallPath\"=\"\\\\Program Files\\\\Kelp\"\r\n\"Build\"=dword:0000000c\r\n");
  auto result = Run({"reg", "import", file});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  // The updater's own calls see what devicectl wrote.
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"\\Software\\Kelp\\1.0", 0, 0, &key), ERROR_SUCCESS);
  DWORD build = 0;
  DWORD size = sizeof build;
  ASSERT_EQ(
      RegQueryValueExW(key, u"Build", nullptr, nullptr, reinterpret_cast<BYTE*>(&build), &size),
      ERROR_SUCCESS);
  EXPECT_EQ(build, 12u);
  RegCloseKey(key);

  const std::string expected =
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Kelp\\1.0]\n"
      "\"Build\"=dword:0000000c\n\"InstallPath\"=\"\\\\Program Files\\\\Kelp\"\n\n";
  result = Run({"reg", "export", "HKLM\\Software\\Kelp\\1.0"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, expected);

  ExpectFailure(Run({"reg", "import", "-"}, "REGEDIT4\n[HKCU\\New]\n\"a\"=dword:1\n\"b\"=hex:zz\n"),
                3, "devicectl: reg import: standard input: line 4: malformed hex bytes");
  // Every mistake is told, each on its line, up to 20; and then nothing is applied.
  std::string mistaken = "REGEDIT4\n[HKCU\\New]\n\"a\"=dword:1\n";
  for (int i = 0; i < 23; ++i) mistaken += "\"b\"=hex:zz\n";
  result = Run({"reg", "import", "-"}, mistaken);
  EXPECT_EQ(result.exitCode, 3);
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < result.err.size();) {
    const std::size_t end = result.err.find('\n', start);
    lines.push_back(result.err.substr(start, end - start));
    start = end + 1;
  }
  ASSERT_EQ(lines.size(), 22u) << result.err;
  EXPECT_EQ(lines[19], "devicectl: reg import: standard input: line 23: malformed hex bytes");
  EXPECT_EQ(lines[20], "devicectl: reg import: standard input: and 3 more mistakes");
  EXPECT_EQ(lines[21], "devicectl: reg import: standard input: nothing was applied");
  ExpectFailure(Run({"reg", "import", device_.hostDir() + "/none.reg"}), 3,
                "devicectl: reg import: " + device_.hostDir() + "/none.reg: cannot be read");
  ExpectFailure(Run({"reg", "export", "HKCU\\New"}), 3,
                "devicectl: reg export: no such key: HKCU\\New");

  result = Run({"reg", "import", "-"},
               "Windows Registry Editor Version 5.00\n"
               "[-HKEY_LOCAL_MACHINE\\Software\\Kelp]\n");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Run({"reg", "export"}).out,
            "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software]\n\n");
}

TEST_F(DevicectlTest, WindowsAndTheJournal) {
  auto result = Run({"window", "add", "Stock Viewer", "--class", "ViewerClass"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string handle = result.out.substr(0, result.out.size() - 1);
  EXPECT_EQ(result.out, handle + "\n");
  EXPECT_EQ(Run({"window", "add", "Untitled"}).exitCode, 0);
  EXPECT_EQ(Run({"window", "list"}).out, handle + "\tViewerClass\tStock Viewer\n" +
                                             std::to_string(std::stoll(handle) + 1) +
                                             "\t\tUntitled\n");

  const HWND window = FindWindowW(nullptr, u"stock viewer");
  EXPECT_EQ(std::to_string(reinterpret_cast<std::uintptr_t>(window)), handle);
  PostMessageW(window, WM_CLOSE, 0, 0);
  std::u16string commandLine = u"-firstRun";
  CreateProcessW(u"\\Windows\\missing.exe", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                 nullptr, nullptr, nullptr);
  EXPECT_EQ(Run({"events"}).out,
            "{\"seq\":1,\"kind\":\"message\",\"hwnd\":" + handle +
                ",\"title\":\"Stock Viewer\",\"message\":16,\"wParam\":0,\"lParam\":0}\n"
                "{\"seq\":2,\"kind\":\"process\",\"application\":\"\\\\Windows\\\\missing.exe\","
                "\"commandLine\":\"-firstRun\",\"started\":false}\n");
  result = Run({"events", "--clear"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(Run({"events"}).out, "");
}

TEST_F(DevicectlTest, AttribAndLs) {
  device_.WriteFile(u"\\Temp\\a.gz", "12345");
  device_.WriteFile(u"\\Temp\\.dot", "");
  auto result = Run({"attrib", "+h", "\\temp\\A.GZ"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(GetFileAttributesW(u"\\Temp\\a.gz"), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(Run({"ls", "\\Temp"}).out, "-H---\t0\t.dot\n-H---\t5\ta.gz\n");
  EXPECT_EQ(Run({"attrib", "-h", "\\Temp\\a.gz"}).exitCode, 0);
  EXPECT_EQ(Run({"ls", "/Temp/*.GZ"}).out, "-----\t5\ta.gz\n");
  EXPECT_EQ(Run({"ls", "\\My Documents"}).out, "");
  ExpectFailure(Run({"attrib", "+h", "\\Temp\\none"}), 3,
                "devicectl: attrib: \\Temp\\none: not found");

  // Recursive: each folder followed by its content, names as paths below the one listed;
  // as JSON, one object an entry.
  device_.WriteFile(u"\\Windows\\Start Menu\\Programs\\x y.lnk", "12");
  const struct {
    std::vector<std::string> args;
    std::string out;
  } listings[] = {
      {{"ls", "-R", "\\windows"},
       "D----\t0\tStart Menu\nD----\t0\tStart Menu\\Programs\n"
       "-----\t2\tStart Menu\\Programs\\x y.lnk\n"},
      {{"ls", "\\Windows\\Start Menu", "--json"},
       "[\n  {\"name\": \"Programs\", \"attributes\": \"D----\", \"folder\": true, \"size\": "
       "0}\n]\n"},
      {{"ls", "--json", "-R", "\\Windows\\Start Menu"},
       "[\n  {\"name\": \"Programs\", \"attributes\": \"D----\", \"folder\": true, \"size\": 0},\n"
       "  {\"name\": \"Programs\\\\x y.lnk\", \"attributes\": \"-----\", \"folder\": false, "
       "\"size\": 2}\n]\n"},
      {{"ls", "--json", "\\My Documents"}, "[]\n"},
      {{"ls", "-R", "\\Temp\\*.gz"}, "-----\t5\ta.gz\n"},
  };
  for (const auto& listing : listings) {
    result = Run(listing.args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, listing.out) << listing.args[1];
  }
  ExpectFailure(Run({"ls", "-R", "\\Missing"}), 3, "devicectl: ls: \\Missing: not found");
}

// push and pull go through the device's own file calls: names ignore case, a path never
// leaves the device, and a copy is whole or not made at all.
TEST_F(DevicectlTest, PushAndPullCopyWholeFiles) {
  const std::string host = device_.hostDir() + "/host";
  fs::create_directories(host);
  test::WriteHostFile(host + "/notes.txt", "first\n");
  device_.WriteFile(u"\\Temp\\Notes.txt", "old");

  auto result = Run({"push", host + "/notes.txt", "\\TEMP\\notes.TXT"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\Notes.txt"), "first\n");
  EXPECT_EQ(Run({"ls", "\\Temp"}).out, "-----\t6\tNotes.txt\n") << "replaced, name kept";
  EXPECT_EQ(Run({"push", host + "/notes.txt", "\\My Documents"}).exitCode, 0);
  EXPECT_EQ(device_.ReadFile(u"\\My Documents\\notes.txt"), "first\n");
  EXPECT_EQ(Run({"push", "-", "\\Temp\\in.bin"}, std::string("a\0b", 3)).exitCode, 0);
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\in.bin"), std::string("a\0b", 3));

  result = Run({"pull", "\\temp\\IN.BIN", host + "/in.bin"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(test::ReadHostFile(host + "/in.bin"), std::string("a\0b", 3));
  EXPECT_EQ(Run({"pull", "\\Temp\\Notes.txt", host}).exitCode, 0);
  EXPECT_EQ(test::ReadHostFile(host + "/Notes.txt"), "first\n");
  EXPECT_EQ(Run({"pull", "\\Temp\\Notes.txt", "-"}).out, "first\n");

  // Failures change nothing and leave no temporary file on either side.
  test::WriteHostFile(host + "/kept", "kept");
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string firstLine;
  } failures[] = {
      {{"pull", "\\..\\..\\device.db", host + "/kept"},
       3,
       "devicectl: pull: \\..\\..\\device.db: not found"},
      {{"pull", "\\Temp", host + "/kept"}, 3, "devicectl: pull: \\Temp: a folder, not a file"},
      {{"pull", "\\Temp\\in.bin", host + "/none/x"}, 1, "devicectl: pull: " + host + "/none/x: "},
      {{"push", host + "/absent", "\\Temp\\in.bin"}, 3, "devicectl: push: " + host + "/absent: "},
      {{"push", host, "\\Temp\\in.bin"}, 3, "devicectl: push: " + host + ": not a file"},
      {{"push", host + "/kept", "\\Nowhere\\x"},
       1,
       "devicectl: push: \\Nowhere\\x: folder not found"},
      {{"push", host + "/kept", "\\Temp\\a:b"}, 1, "devicectl: push: \\Temp\\a:b: invalid name"},
      {{"push", "-", "\\Temp"}, 1, "devicectl: push: \\Temp: a folder; name the file to write"},
      {{"push", host + "/kept"}, 2, "devicectl: push: missing argument"},
  };
  for (const auto& failure : failures) {
    result = Run(failure.args);
    EXPECT_EQ(result.exitCode, failure.exitCode) << failure.firstLine;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.substr(0, failure.firstLine.size()), failure.firstLine);
  }
  EXPECT_EQ(test::ReadHostFile(host + "/kept"), "kept");
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\in.bin"), std::string("a\0b", 3));
  std::vector<std::string> hostNames;
  for (const auto& entry : fs::directory_iterator(host)) {
    hostNames.push_back(entry.path().filename().string());
  }
  std::sort(hostNames.begin(), hostNames.end());
  EXPECT_EQ(hostNames, (std::vector<std::string>{"Notes.txt", "in.bin", "kept", "notes.txt"}));
  EXPECT_EQ(Run({"ls", "\\Temp"}).out, "-----\t3\tin.bin\n-----\t6\tNotes.txt\n");
}

TEST_F(DevicectlTest, MissingDeviceIsAnErrorAndStaysMissing) {
  const std::string missing = device_.hostDir() + "/missing";
  const auto result = test::RunProgram(DEVICECTL_PATH, {"--device", missing, "window", "list"});
  EXPECT_EQ(result.exitCode, 3);
  EXPECT_NE(result.err.find("devicectl: window list: no device folder: " + missing),
            std::string::npos);
  EXPECT_EQ(test::RunProgram(DEVICECTL_PATH, {"--device", missing, "ls"}).exitCode, 3);
  EXPECT_FALSE(fs::exists(missing));
}

}  // namespace
