// pkgtool run as a program: packages it writes are read back with the system's reader.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
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

TEST_F(PkgtoolTest, ExtractRefusesNamesThatLeaveTheFolder) {
  const std::string bytes = pkg::BuildPackage(
      "Evil", {{"InstallScript.xml", "<Installation/>", false}, {"..\\outside.txt", "x", false}});
  WriteHostFile(work_ / "Evil", bytes);
  const fs::path target = work_ / "target";
  auto result = Run({"extract", (work_ / "Evil").string(), "-C", target.string()});
  EXPECT_NE(result.exitCode, 0);
  EXPECT_NE(result.err.find("outside.txt"), std::string::npos) << result.err;
  EXPECT_FALSE(fs::exists(work_ / "outside.txt"));
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

  auto result = Run({"--help"});
  EXPECT_EQ(result.exitCode, 0);
  for (const char* command : {"pack", "list", "extract"}) {
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
