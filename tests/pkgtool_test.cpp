// pkgtool run as a program: packages it writes are read back with the system's reader.
#include <gtest/gtest.h>

#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "package/package_writer.h"
#include "package/resource_package.h"
#include "testing/gzip_bytes.h"
#include "testing/run_program.h"
#include "testing/temp_device.h"

namespace {

namespace fs = std::filesystem;

// The exit codes a script reads (tools/common/exit_codes.h).
constexpr int kUsage = 2;
constexpr int kUnreadable = 3;

std::string ReadHostFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteHostFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

class PkgtoolTest : public ::testing::Test {
 protected:
  PkgtoolTest() : work_(fs::path(device_.hostDir()) / "work") {
    fs::create_directories(work_);
    source_ = work_ / "src";
    WriteHostFile(source_ / "InstallScript.xml", "<Installation/>");
    WriteHostFile(source_ / "b.txt", "bee");
    WriteHostFile(source_ / "Sub" / "a.bin", test::RandomBytes(70000, 5));
    WriteHostFile(source_ / "A.txt", "");
  }

  static test::ProgramResult Run(const std::vector<std::string>& args) {
    return test::RunProgram(PKGTOOL_PATH, args);
  }
  // A failure: its exit code, nothing on standard output, and the reason on the first
  // line of standard error (a usage line may follow it).
  static void ExpectFailure(const test::ProgramResult& result, int exitCode,
                            const std::string& inError) {
    EXPECT_EQ(result.exitCode, exitCode) << inError;
    EXPECT_EQ(result.out, "");
    const std::string firstLine = result.err.substr(0, result.err.find('\n'));
    EXPECT_EQ(firstLine.rfind("pkgtool: ", 0), 0u) << result.err;
    EXPECT_NE(firstLine.find(inError), std::string::npos) << result.err;
  }

  // Opens a plain package copied onto the device under `name`, as the updater would.
  std::unique_ptr<System::IO::ResourcePackage> OpenOnDevice(const std::string& bytes,
                                                            const std::u16string& name) {
    device_.WriteFile(u"\\Temp\\" + name, bytes);
    const std::string path = "\\Temp\\" + std::string(name.begin(), name.end());
    return std::make_unique<System::IO::ResourcePackage>(path.c_str());
  }

  test::TempDevice device_;
  fs::path work_;
  fs::path source_;
};

std::vector<std::string> Names(const System::IO::ResourcePackage& package) {
  std::vector<std::string> names;
  for (const System::IO::PackageEntry& entry : package.Entries()) names.emplace_back(entry.name);
  return names;
}

TEST_F(PkgtoolTest, PackThenReadBackScriptFirstThenOrdinalOrder) {
  const fs::path out = work_ / "Tool.gz";
  auto result = Run({"pack", source_.string(), "-o", out.string(), "--scramble-data"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "");
  struct stat status {};
  ASSERT_EQ(::stat(out.c_str(), &status), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask) << "a package has the permissions of a new file";

  // The .gz holds a gzip member; the package inside is made for the name "Tool".
  const std::string delivered = ReadHostFile(out);
  ASSERT_GE(delivered.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(delivered[0]), 0x1f);
  device_.WriteFile(u"\\Temp\\Tool.gz", delivered);
  ASSERT_EQ(test::RunProgram(PKGTOOL_PATH, {"extract", out.string(), "-C", (work_ / "x").string()})
                .exitCode,
            0);

  const std::string plain = ReadHostFile(work_ / "x" / "Sub" / "a.bin");
  EXPECT_EQ(plain, test::RandomBytes(70000, 5));
  EXPECT_EQ(ReadHostFile(work_ / "x" / "b.txt"), "bee");
  EXPECT_EQ(ReadHostFile(work_ / "x" / "A.txt"), "");

  result = Run({"list", out.string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string& list = result.out;
  const auto script = list.find("InstallScript.xml");
  const auto upperA = list.find("A.txt");
  const auto sub = list.find("Sub\\a.bin");
  const auto lowerB = list.find("b.txt");
  ASSERT_NE(script, std::string::npos) << list;
  EXPECT_LT(script, upperA);  // the script first, then bytewise: 'A' < 'S' < 'b'
  EXPECT_LT(upperA, sub);
  EXPECT_LT(sub, lowerB);
  // --scramble-data scrambles the script, which the updater decodes, and no file.
  EXPECT_NE(list.find("          15  scrambled  InstallScript.xml"), std::string::npos) << list;
  EXPECT_NE(list.find("       70000  plain      Sub\\a.bin"), std::string::npos) << list;

  result = Run({"list", out.string(), "--json"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "{\"package\":\"" + out.string() +
                            "\",\"openedAs\":\"Tool\",\"entries\":["
                            "{\"name\":\"InstallScript.xml\",\"size\":15,\"scrambled\":true},"
                            "{\"name\":\"A.txt\",\"size\":0,\"scrambled\":false},"
                            "{\"name\":\"Sub\\\\a.bin\",\"size\":70000,\"scrambled\":false},"
                            "{\"name\":\"b.txt\",\"size\":3,\"scrambled\":false}]}\n");
}

// A package renamed by hand decodes to noise: list and extract refuse it in one line that
// names the name it reads under, and read it under that name given by --as.
TEST_F(PkgtoolTest, RenamedDeliveriesAreRefusedAndReadWithAs) {
  const fs::path made = work_ / "Tool.gz";
  ASSERT_EQ(Run({"pack", source_.string(), "-o", made.string()}).exitCode, 0);
  const fs::path target = work_ / "x";
  for (const char* renamed : {"tool.gz", "TOOL.gz", "Tool-1.2.gz", "Tool_v2.gz", "Tool (2).gz"}) {
    SCOPED_TRACE(renamed);
    const fs::path delivered = work_ / renamed;
    fs::copy_file(made, delivered, fs::copy_options::overwrite_existing);
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"list", delivered.string()},
          std::vector<std::string>{"extract", delivered.string(), "-C", target.string()}}) {
      const auto result = Run(command);
      ExpectFailure(result, kUnreadable, "delivered as 'Tool.gz' it reads (--as Tool.gz)");
      EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
      EXPECT_FALSE(fs::exists(target));
    }
    for (const char* as : {"Tool.gz", "Tool", "Tool.GZ"}) {
      const auto result = Run({"list", delivered.string(), "--as", as});
      EXPECT_EQ(result.exitCode, 0) << as << result.err;
      EXPECT_NE(result.out.find("  InstallScript.xml\n"), std::string::npos) << as;
    }
    ExpectFailure(Run({"list", delivered.string(), "--as", "tool.gz"}), kUnreadable,
                  "under the name 'tool'");
  }
  EXPECT_EQ(Run({"extract", (work_ / "tool.gz").string(), "-C", target.string(), "--as", "Tool"})
                .exitCode,
            0);
  EXPECT_EQ(ReadHostFile(target / "b.txt"), "bee");
}

TEST_F(PkgtoolTest, PlainOutputIsReadByTheSystemReaderUnderItsOwnName) {
  const fs::path out = work_ / "Plain.pkg";
  ASSERT_EQ(Run({"pack", source_.string(), "-o", out.string()}).exitCode, 0);
  const std::string bytes = ReadHostFile(out);
  auto package = OpenOnDevice(bytes, u"Plain.pkg");
  EXPECT_EQ(Names(*package),
            (std::vector<std::string>{"InstallScript.xml", "A.txt", "Sub\\a.bin", "b.txt"}));
  const AnsiString script = package->ReadEntry("InstallScript.xml");
  EXPECT_EQ(std::string(script.data, script.length), "<Installation/>");
  EXPECT_EQ(package->Entries()[0].scrambled, 0);
  // Under any other name the names decode differently and lookups fail.
  EXPECT_EQ(OpenOnDevice(bytes, u"Other.pkg")->FindEntry("InstallScript.xml"), nullptr);
  // list decodes with the table of the name given by --as.
  WriteHostFile(work_ / "renamed", bytes);
  auto result = Run({"list", (work_ / "renamed").string(), "--as", "Plain.pkg"});
  EXPECT_NE(result.out.find("InstallScript.xml"), std::string::npos) << result.out;
}

TEST_F(PkgtoolTest, RefusalsLeaveNoOutput) {
  const fs::path out = work_ / "Out.gz";
  WriteHostFile(work_ / "noscript" / "a.txt", "a");
  // A refusal that --allow-no-script overrides: a problem found, 1.
  ExpectFailure(Run({"pack", (work_ / "noscript").string(), "-o", out.string()}), 1,
                "no InstallScript.xml");
  EXPECT_EQ(Run({"pack", (work_ / "noscript").string(), "-o", out.string(), "--allow-no-script"})
                .exitCode,
            0);
  fs::remove(out);

  WriteHostFile(source_ / std::string(68, 'n'), "long");
  ExpectFailure(Run({"pack", source_.string(), "-o", out.string()}), kUnreadable,
                "longer than 67 bytes");
  fs::remove(source_ / std::string(68, 'n'));

  ExpectFailure(Run({"pack", (work_ / "missing").string(), "-o", out.string()}), kUnreadable,
                "not a folder");
  ExpectFailure(Run({"pack", source_.string(), "-o", out.string(), "--level", "12"}), kUsage,
                "--level");
  ExpectFailure(Run({"pack", source_.string()}), kUsage, "-o OUT is required");
  ExpectFailure(Run({"pack", source_.string(), "-o", out.string(), "--bogus"}), kUsage, "--bogus");
  EXPECT_FALSE(fs::exists(out));

  // An existing output is replaced only by a complete package.
  WriteHostFile(out, "old");
  ExpectFailure(Run({"pack", (work_ / "missing").string(), "-o", out.string()}), kUnreadable,
                "not a folder");
  EXPECT_EQ(ReadHostFile(out), "old");
  for (const auto& entry : fs::directory_iterator(work_)) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

// Killed while it packs, pkgtool leaves either nothing or the complete package, and
// never its temporary file.
TEST_F(PkgtoolTest, InterruptedPackLeavesNoPartialOutput) {
  WriteHostFile(source_ / "big.bin", test::RandomBytes(48 << 20, 7));
  const fs::path out = work_ / "Big.gz";
  const std::string tool = PKGTOOL_PATH;
  const std::string folder = source_.string();
  const std::string output = out.string();
  char* const argv[] = {const_cast<char*>(tool.c_str()),   const_cast<char*>("pack"),
                        const_cast<char*>(folder.c_str()), const_cast<char*>("-o"),
                        const_cast<char*>(output.c_str()), nullptr};
  pid_t child = 0;
  ASSERT_EQ(::posix_spawn(&child, tool.c_str(), nullptr, nullptr, argv, environ), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ::kill(child, SIGTERM);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  if (WIFSIGNALED(status)) {
    EXPECT_FALSE(fs::exists(out));
  } else {
    EXPECT_EQ(WEXITSTATUS(status), 0);  // it finished before the signal came
    EXPECT_EQ(Run({"extract", output, "-C", (work_ / "x").string()}).exitCode, 0);
    EXPECT_EQ(fs::file_size(work_ / "x" / "big.bin"), std::uintmax_t{48} << 20);
  }
  for (const auto& entry : fs::directory_iterator(work_)) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

// Every entry is checked before anything is written: one refused entry, and nothing is.
TEST_F(PkgtoolTest, ExtractRefusesBeforeWritingAnything) {
  const struct {
    std::vector<std::string> names;  // after InstallScript.xml
    const char* inError;
  } cases[] = {
      {{"a.txt", "..\\outside.txt"}, "entry '..\\outside.txt': the name would leave the folder"},
      {{"a.txt", "Sub\\..\\..\\up.txt"}, "the name would leave the folder"},
      {{"a", "a\\b"}, "entry 'a\\b': writes the same path as entry 'a': a"},
      {{"a\\b", "a"}, "entry 'a': writes the same path as the folder of another entry: a"},
      {{"a\\b", "a/b"}, "entry 'a/b': writes the same path as entry 'a\\b': a/b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.inError);
    std::vector<pkg::EntrySource> entries{{"InstallScript.xml", "<Installation/>", false}};
    for (const std::string& name : c.names) entries.push_back({name, "x", false});
    WriteHostFile(work_ / "Evil", pkg::BuildPackage("Evil", entries));
    const fs::path target = work_ / "target";
    const auto result = Run({"extract", (work_ / "Evil").string(), "-C", target.string()});
    ExpectFailure(result, 1, c.inError);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_FALSE(fs::exists(work_ / "outside.txt"));
  }
}

// extract never overwrites a file unless --force is given; refused, it writes nothing.
TEST_F(PkgtoolTest, ExtractOverwritesOnlyWithForce) {
  const fs::path package = work_ / "Tool.gz";
  ASSERT_EQ(Run({"pack", source_.string(), "-o", package.string()}).exitCode, 0);
  const fs::path target = work_ / "x";
  WriteHostFile(target / "b.txt", "mine");
  WriteHostFile(target / "Sub" / "a.bin", "mine too");
  // The first existing file in entry order is named.
  ExpectFailure(Run({"extract", package.string(), "-C", target.string()}), 1,
                (target / "Sub" / "a.bin").string() + ": exists (--force overwrites it)");
  EXPECT_EQ(ReadHostFile(target / "b.txt"), "mine");
  EXPECT_FALSE(fs::exists(target / "InstallScript.xml"));
  EXPECT_FALSE(fs::exists(target / "A.txt"));

  const auto result = Run({"extract", package.string(), "-C", target.string(), "--force"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(ReadHostFile(target / "b.txt"), "bee");
  EXPECT_EQ(ReadHostFile(target / "Sub" / "a.bin"), test::RandomBytes(70000, 5));
  EXPECT_EQ(ReadHostFile(target / "InstallScript.xml"), "<Installation/>");

  // --force writes files, not through a link nor over a folder.
  fs::remove(target / "b.txt");
  fs::create_directory_symlink(work_, target / "b.txt");
  ExpectFailure(Run({"extract", package.string(), "-C", target.string(), "--force"}), 1,
                (target / "b.txt").string() + ": refusing to write through a symbolic link");

  // A file that cannot be written whole (under a file-size limit of 60 KiB, as on a full
  // disk; Sub\a.bin has 70,000 bytes) leaves the one it would replace as it was, and no
  // temporary file beside it.
  fs::remove(target / "b.txt");
  WriteHostFile(target / "Sub" / "a.bin", "mine again");
  const fs::path plain = work_ / "Tool";  // not gzip-compressed: read without expanding
  ASSERT_EQ(Run({"pack", source_.string(), "-o", plain.string()}).exitCode, 0);
  const auto limited = test::RunProgram(
      "/bin/bash", {"-c", "ulimit -f 60; trap '' XFSZ; exec \"$0\" \"$@\"", PKGTOOL_PATH, "extract",
                    plain.string(), "-C", target.string(), "--force"});
  ExpectFailure(limited, 1, (target / "Sub" / "a.bin").string() + ": File too large");
  EXPECT_EQ(ReadHostFile(target / "Sub" / "a.bin"), "mine again");
  for (const auto& entry : fs::recursive_directory_iterator(target)) {
    EXPECT_FALSE(entry.path().filename().string().starts_with(".extract-")) << entry.path();
  }
}

// Runs pkgtool with standard output and error on a pseudo-terminal; returns all it wrote.
std::string OnTerminal(const std::vector<std::string>& args) {
  int terminal = -1;
  int side = -1;
  if (::openpty(&terminal, &side, nullptr, nullptr, nullptr) != 0) return "no pty";
  std::vector<char*> argv{const_cast<char*>(PKGTOOL_PATH)};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(side, STDOUT_FILENO);
    ::dup2(side, STDERR_FILENO);
    ::execv(PKGTOOL_PATH, argv.data());
    ::_exit(127);
  }
  ::close(side);
  std::string written;
  char buffer[4096];
  for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;) {  // EIO at the end
    written.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(terminal);
  ::waitpid(child, nullptr, 0);
  return written;
}

// What a terminal shows after `written`: each line as it stands once carriage returns
// overwrote it, trailing blanks dropped, the last line only when not empty.
std::vector<std::string> Screen(const std::string& written) {
  std::vector<std::string> screen{""};
  std::size_t column = 0;
  for (const char c : written) {
    if (c == '\r') {
      column = 0;
    } else if (c == '\n') {
      screen.emplace_back();
      column = 0;
    } else {
      std::string& line = screen.back();
      if (column >= line.size()) line.resize(column + 1, ' ');
      line[column++] = c;
    }
  }
  for (std::string& line : screen) line.erase(line.find_last_not_of(' ') + 1);
  if (screen.back().empty()) screen.pop_back();
  return screen;
}

// The progress line is shown on a terminal only, with the figures of the whole work,
// and never stays on screen nor runs into other output.
TEST_F(PkgtoolTest, ProgressOnATerminalLeavesNothingBehind) {
  const fs::path out = work_ / "Tool.gz";
  std::string written = OnTerminal({"pack", source_.string(), "-o", out.string()});
  EXPECT_NE(written.find("packing 4/4 files, 0.1 MB"), std::string::npos) << written;
  EXPECT_EQ(Screen(written), std::vector<std::string>{});
  written = OnTerminal({"extract", out.string(), "-C", (work_ / "x").string()});
  EXPECT_NE(written.find("extracting 4/4 files, 0.1 MB"), std::string::npos) << written;
  EXPECT_EQ(Screen(written), std::vector<std::string>{});

  // Findings come out while the line is shown: each stands on a line of its own.
  const std::vector<std::string> screen =
      Screen(OnTerminal({"pack", source_.string(), "-o", out.string(), "--lint"}));
  ASSERT_FALSE(screen.empty());
  for (const std::string& line : screen) {
    EXPECT_EQ(line.find("packing"), std::string::npos) << line;
  }
  EXPECT_EQ(screen.back().substr(0, 9), "0 errors,");

  // Not on a terminal: nothing.
  const test::ProgramResult piped = Run({"extract", out.string(), "-C", (work_ / "z").string()});
  EXPECT_EQ(piped.exitCode, 0);
  EXPECT_EQ(piped.err, "");
}

TEST_F(PkgtoolTest, ShowPrintsTheScriptAsStored) {
  const std::string script = "<Installation><AppPath>\\Caf\xE9</AppPath></Installation>\r\n";
  WriteHostFile(work_ / "Tool.gz",
                test::GzipBytes(pkg::BuildPackage(
                    "Tool", {{"InstallScript.xml", script, true}, {"a.txt", "a", false}})));
  auto result = Run({"show", (work_ / "Tool.gz").string()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, script);
  // Delivered under another name, it reads only with --as.
  fs::copy_file(work_ / "Tool.gz", work_ / "Tool-2.gz");
  ExpectFailure(Run({"show", (work_ / "Tool-2.gz").string()}), kUnreadable,
                "do not decode under the name 'Tool-2'");
  EXPECT_EQ(Run({"show", (work_ / "Tool-2.gz").string(), "--as", "Tool"}).out, script);
  WriteHostFile(work_ / "Bare", pkg::BuildPackage("Bare", {{"a.txt", "a", false}}));
  ExpectFailure(Run({"show", (work_ / "Bare").string()}), kUnreadable,
                "the package has no InstallScript.xml entry");
}

TEST_F(PkgtoolTest, DiffTellsWhatTheNewPackageChanges) {
  const std::string before =
      "<Installation><AppPath>\\App</AppPath></Installation>\n"
      "<Files><File name=\"App.exe\"/><File name=\"Old.dll\"/></Files>\n"
      "<Actions><Action event=\"Install.After\" type=\"Registry.WriteValue\" key=\"HKLM\\A\" "
      "valueName=\"Version\" value=\"1.0\"/></Actions>\n";
  const std::string after =
      "<Installation><AppPath>\\App</AppPath></Installation>\n"
      "<Files><File name=\"App.exe\"/><File name=\"Help.htm\"/></Files>\n"
      "<Actions><Action event=\"Install.After\" type=\"Registry.WriteValue\" key=\"HKLM\\A\" "
      "valueName=\"Version\" value=\"2.0\"/></Actions>\n";
  WriteHostFile(work_ / "old" / "App.gz",
                test::GzipBytes(pkg::BuildPackage("App", {{"InstallScript.xml", before, false},
                                                          {"App.exe", "exe-1", true},
                                                          {"Old.dll", "dll", false},
                                                          {"Same.txt", "same", false}})));
  // The new version: another name on the host, the same delivered name.
  WriteHostFile(work_ / "App-2.gz",
                test::GzipBytes(pkg::BuildPackage("App", {{"InstallScript.xml", after, false},
                                                          {"App.exe", "exe-2", false},
                                                          {"Help.htm", "help!", false},
                                                          {"Same.txt", "same", true}})));
  const std::string oldPath = (work_ / "old" / "App.gz").string();
  const std::string newPath = (work_ / "App-2.gz").string();
  auto result = Run({"diff", oldPath, newPath, "--as", "App"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out,
            "entries\n"
            "  changed  App.exe  5 bytes, other content, now stored plain\n"
            "  added    Help.htm  5 bytes\n"
            "  changed  InstallScript.xml  " +
                std::to_string(before.size()) + " -> " + std::to_string(after.size()) +
                " bytes\n"
                "  removed  Old.dll  3 bytes\n"
                "  changed  Same.txt  4 bytes, other content, now stored scrambled\n"
                "script\n"
                "  added    Files/File[name=\"Help.htm\"]\n"
                "  removed  Files/File[name=\"Old.dll\"]\n"
                "  changed  Actions/Action[event=\"Install.After\" type=\"Registry.WriteValue\" "
                "key=\"HKLM\\A\" valueName=\"Version\"]\n"
                "             value: \"1.0\" -> \"2.0\"\n"
                "entries: 1 added, 1 removed, 3 changed, 0 unchanged; "
                "script elements: 1 added, 1 removed, 1 changed\n");

  result = Run({"diff", oldPath, newPath, "--as-new", "App", "--json"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  for (const char* piece :
       {"\"old\":{\"package\":", "\"openedAs\":\"App\",\"hasScript\":true}",
        "{\"change\":\"removed\",\"name\":\"Old.dll\",\"oldSize\":3,\"oldScrambled\":false}",
        "{\"change\":\"added\",\"name\":\"Help.htm\",\"newSize\":5,\"newScrambled\":false}",
        "{\"change\":\"changed\",\"name\":\"Same.txt\",\"oldSize\":4,\"newSize\":4,"
        "\"oldScrambled\":false,\"newScrambled\":true}",
        "\"unchangedEntries\":0",
        "\"attributes\":[{\"name\":\"value\",\"before\":\"1.0\",\"after\":\"2.0\"}]",
        "\"scriptComplete\":true}\n"}) {
    EXPECT_NE(result.out.find(piece), std::string::npos) << piece << "\n" << result.out;
  }

  // No differences: still 0. Opened under its own name, the new package's names do not
  // decode: it cannot be read, as for list.
  result = Run({"diff", oldPath, oldPath});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "entries: 0 added, 0 removed, 0 changed, 4 unchanged; "
            "script elements: 0 added, 0 removed, 0 changed\n");
  ExpectFailure(Run({"diff", oldPath, newPath}), kUnreadable,
                "do not decode under the name 'App-2'");
}

TEST_F(PkgtoolTest, DamagedInputAndHelp) {
  WriteHostFile(work_ / "Broken.gz", test::GzipBytes(test::RandomBytes(5000, 9)).substr(0, 100));
  ExpectFailure(Run({"list", (work_ / "Broken.gz").string()}), kUnreadable, "Broken.gz");
  ExpectFailure(Run({"list", (work_ / "absent.gz").string()}), kUnreadable, "absent.gz");
  ExpectFailure(Run({"extract", (work_ / "Broken.gz").string(), "-C", (work_ / "x").string()}),
                kUnreadable, "Broken.gz");
  // A command's options may come before the command.
  ExpectFailure(Run({"-C", (work_ / "x").string(), "extract", (work_ / "Broken.gz").string()}),
                kUnreadable, "Broken.gz");
  ExpectFailure(Run({"list"}), kUsage, "one package file to list");
  ExpectFailure(Run({"extract", (work_ / "Broken.gz").string()}), kUsage, "-C DIR is required");
  ExpectFailure(Run({"show", (work_ / "Broken.gz").string()}), kUnreadable, "Broken.gz");
  ExpectFailure(Run({"diff", (work_ / "absent.gz").string(), (work_ / "Broken.gz").string()}),
                kUnreadable, "absent.gz");
  ExpectFailure(Run({"diff", (work_ / "Broken.gz").string()}), kUsage, "an old and a new package");
  ExpectFailure(Run({"show"}), kUsage, "one package file to show");

  auto result = Run({"--help"});
  EXPECT_EQ(result.exitCode, 0);
  for (const char* command : {"pack", "list", "extract", "show", "diff"}) {
    EXPECT_NE(result.out.find(std::string("  ") + command + " "), std::string::npos) << command;
  }
  for (const char* line : {"exit codes:\n", "  1  the check found a problem", "  2  usage error\n",
                           "  3  input that cannot be read"}) {
    EXPECT_NE(result.out.find(line), std::string::npos) << line;
  }
  result = Run({"pack", "--help"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out.rfind("usage: pkgtool pack DIR -o OUT", 0), 0u) << result.out;
  EXPECT_NE(result.out.find("\n  --level N "), std::string::npos) << result.out;
  result = Run({"--version"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.out.starts_with("pkgtool 1.")) << result.out;
  result = Run({"pakc"});
  EXPECT_EQ(result.exitCode, kUsage);
  EXPECT_NE(result.err.find("pack"), std::string::npos) << result.err;
}

}  // namespace
