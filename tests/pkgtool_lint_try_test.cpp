// pkgtool lint and try run as programs on the example products. What `try` reports is
// checked against a run of the updater itself on a fresh device: its files, its
// registry export and its journal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "testing/gzip_bytes.h"
#include "testing/run_program.h"
#include "testing/temp_device.h"

namespace {

namespace fs = std::filesystem;

// The lines of `text` that begin with `prefix`, without it.
std::vector<std::string> LinesAfter(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with(prefix)) lines.push_back(line.substr(prefix.size()));
  }
  return lines;
}

// Every file below `dir` as "\path  SIZE bytes", sorted.
std::vector<std::string> FilesBelow(const std::string& dir) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    std::string path;
    for (const fs::path& part : entry.path().lexically_relative(dir)) path += "\\" + part.string();
    files.push_back(path + "  " + std::to_string(entry.file_size()) + " bytes");
  }
  std::sort(files.begin(), files.end());
  return files;
}

// A digest of a folder: every path with its type, size and content.
std::string FolderContents(const std::string& dir) {
  std::string contents;
  std::vector<fs::path> paths;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) paths.push_back(entry.path());
  std::sort(paths.begin(), paths.end());
  for (const fs::path& path : paths) {
    contents += path.string() +
                (fs::is_directory(path) ? "/\n" : "\n" + test::ReadHostFile(path.string()) + "\n");
  }
  return contents;
}

class PkgtoolTest : public ::testing::Test {
 protected:
  // `try` runs the updater of this build unless the arguments name one.
  test::ProgramResult Pkgtool(std::vector<std::string> args) {
    if (!args.empty() && args[0] == "try" &&
        std::find(args.begin(), args.end(), "--updater") == args.end()) {
      args.insert(args.end(), {"--updater", UPDATER_PATH});
    }
    return test::RunProgram(PKGTOOL_PATH, args);
  }

  // Packs an example as `name` (".gz") into the work folder; the suite carries the
  // dictionary as its nested product, as examples/run packs it.
  std::string Packed(const std::string& example, const std::string& name) {
    std::string source = std::string(EXAMPLES_DIR) + "/" + example;
    if (example == "suite") {
      const std::string copy = work_.hostDir() + "/suite-source";
      fs::copy(source, copy, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
      Pack(std::string(EXAMPLES_DIR) + "/dictionary", copy + "/Dictionary.gz");
      source = copy;
    }
    const std::string output = work_.hostDir() + "/" + name;
    Pack(source, output);
    return output;
  }
  void Pack(const std::string& folder, const std::string& output) {
    const auto result = Pkgtool({"pack", folder, "-o", output});
    ASSERT_EQ(result.exitCode, 0) << result.err;
  }

  // Installs `product` with the updater itself on a fresh device and returns that device.
  std::unique_ptr<test::TempDevice> InstallDirectly(const std::string& product) {
    auto device = std::make_unique<test::TempDevice>();
    fs::copy_file(product, device->hostDir() + "/fs/Temp/" + fs::path(product).filename().string());
    const auto result =
        test::RunProgram(UPDATER_PATH, {"-unpackProduct", "\\Temp"}, {},
                         {"CE_DEVICE=" + device->hostDir(), "CE_DEVICE_HOST_EXEC=0"});
    EXPECT_EQ(result.exitCode, 0);
    return device;
  }
  test::ProgramResult Devicectl(const test::TempDevice& device,
                                const std::vector<std::string>& args) {
    std::vector<std::string> all{"--device", device.hostDir()};
    all.insert(all.end(), args.begin(), args.end());
    return test::RunProgram(DEVICECTL_PATH, all);
  }

  test::TempDevice work_;
};

TEST_F(PkgtoolTest, TheExampleProductsLintClean) {
  for (const auto& [example, name] :
       std::map<std::string, std::string>{{"notes", "Notes.gz"},
                                          {"sync", "Sync.gz"},
                                          {"suite", "Suite.gz"},
                                          {"dictionary", "Dictionary.gz"}}) {
    const auto result = Pkgtool({"lint", Packed(example, name)});
    EXPECT_EQ(result.exitCode, 0) << example;
    EXPECT_EQ(result.out, "0 errors, 0 warnings, 0 notes\n") << example;
    EXPECT_EQ(result.err, "");
  }
}

TEST_F(PkgtoolTest, LintFindsWhatTheUpdaterWouldIgnore) {
  const std::string folder = work_.hostDir() + "/broken";
  fs::create_directories(folder);
  test::WriteHostFile(folder + "/Tool.exe", "MZ");
  test::WriteHostFile(
      folder + "/InstallScript.xml",
      "<Installation><AppPath>{ProgramFiles}\\Tool</AppPath></Installation>\n"
      "<Files>\n  <!-- the program -->\n  <File name=\"Tool.exe\"/>\n</Files>\n<Actions/>\n");
  const std::string output = work_.hostDir() + "/Tool.gz";
  auto result = Pkgtool({"pack", folder, "-o", output, "--lint"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "Tool.gz: note: no file entry names the entry 'Tool.exe': it is never installed "
            "[unused-entry]\n"
            "InstallScript.xml:3:3: error: this comment is read as an element that stays open and "
            "takes in the "
            "file entry after it, never installed: \"Tool.exe\" [open-comment]\n"
            "    <!-- the program -->\n"
            "    ^\n"
            "1 error, 0 warnings, 1 note\n"
            "pkgtool: " +
                output +
                ": not written, the package has errors (--force writes it all the same)\n");
  EXPECT_FALSE(fs::exists(output));
  result = Pkgtool({"pack", folder, "-o", output, "--lint", "--force"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  ASSERT_TRUE(fs::exists(output));
  result = Pkgtool({"lint", output});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(LinesAfter(result.out, "Tool.gz: note: "),
            std::vector<std::string>{
                "no file entry names the entry 'Tool.exe': it is never installed [unused-entry]"});
  // Delivered under another name the package reads as noise.
  fs::copy_file(output, work_.hostDir() + "/tool.gz");
  result = Pkgtool({"lint", work_.hostDir() + "/tool.gz", "--json"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.out.find("\"code\":\"wrong-file-name\""), std::string::npos) << result.out;
  EXPECT_EQ(Pkgtool({"lint", work_.hostDir() + "/tool.gz", "--as", "Tool"}).exitCode,
            1);  // the comment
}

// A delivery folder is linted as the updater takes it: its "*.gz" in any letter case,
// hidden ones and other files passed over, in the device's order; each package under its
// name, then a total, and an exit code a release script can gate on.
TEST_F(PkgtoolTest, LintTakesADeliveryFolderAsTheUpdaterDoes) {
  const std::string folder = work_.hostDir() + "/delivery";
  fs::create_directories(folder);
  fs::copy_file(Packed("notes", "Notes.gz"), folder + "/Notes.gz");
  fs::copy_file(Packed("sync", "Sync.gz"), folder + "/Sync.GZ");
  const std::string broken = work_.hostDir() + "/broken";
  fs::create_directories(broken);
  test::WriteHostFile(broken + "/Tool.exe", "MZ");
  test::WriteHostFile(
      broken + "/InstallScript.xml",
      "<Installation><AppPath>\\Tool</AppPath></Installation>\n<Files>\n"
      "  <!-- the program -->\n  <File name=\"Tool.exe\"/>\n</Files>\n<Actions/>\n");
  Pack(broken, folder + "/tool.gz");
  fs::copy_file(folder + "/tool.gz", folder + "/.Hidden.gz");
  fs::copy_file(folder + "/tool.gz", folder + "/Shadow.gz");  // hidden as Samba marks it
  ASSERT_EQ(::setxattr((folder + "/Shadow.gz").c_str(), "user.DOSATTRIB", "0x22", 4, 0), 0);
  test::WriteHostFile(folder + "/readme.txt", "not a delivery");

  const std::string toolReport =
      "== " + folder + "/tool.gz\n" +
      "tool.gz: note: no file entry names the entry 'Tool.exe': it is never installed "
      "[unused-entry]\n";
  const struct {
    const char* severity;  // null for none
    std::string tool;      // what is reported of tool.gz before its source line
    const char* counts;    // of each clean package
    const char* total;
  } cases[] = {
      {nullptr, toolReport, "0 errors, 0 warnings, 0 notes", "1 error, 0 warnings, 1 note"},
      {"note", toolReport, "0 errors, 0 warnings, 0 notes", "1 error, 0 warnings, 1 note"},
      {"warning", "== " + folder + "/tool.gz\n", "0 errors, 0 warnings", "1 error, 0 warnings"},
      {"error", "== " + folder + "/tool.gz\n", "0 errors", "1 error"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.severity != nullptr ? c.severity : "all");
    std::vector<std::string> args{"lint", folder};
    if (c.severity != nullptr) args.insert(args.end(), {"--severity", c.severity});
    const auto result = Pkgtool(args);
    EXPECT_EQ(result.exitCode, 1);  // the error of tool.gz, whatever is shown
    EXPECT_EQ(result.err, "");
    const std::string clean = std::string(c.counts) + "\n";
    EXPECT_TRUE(result.out.starts_with("== " + folder + "/Notes.gz\n" + clean + "== " + folder +
                                       "/Sync.GZ\n" + clean + c.tool +
                                       "InstallScript.xml:3:3: error: this comment"))
        << result.out;
    EXPECT_TRUE(result.out.ends_with("\ntotal: 3 packages: " + std::string(c.total) + "\n"))
        << result.out;
    args.push_back("--json");
    const std::string json = Pkgtool(args).out;
    EXPECT_TRUE(json.starts_with("{\"packages\":[{\"package\":\"" + folder +
                                 "/Notes.gz\",\"openedAs\":\"Notes\",\"findings\":[],"))
        << json;
    EXPECT_EQ(json.find("unused-entry") != std::string::npos, c.tool == toolReport);
    EXPECT_NE(json.find("\"errors\":1,"), std::string::npos) << json;
  }

  // Several packages named one by one are linted alike; an unreadable one is reported,
  // the others are linted all the same, and it decides the exit code.
  const std::string cut = work_.hostDir() + "/Cut.gz";
  test::WriteHostFile(cut, test::ReadHostFile(folder + "/Notes.gz").substr(0, 40));
  auto result = Pkgtool({"lint", cut, folder + "/tool.gz", "--severity", "error"});
  EXPECT_EQ(result.exitCode, 3);
  EXPECT_EQ(result.err, "pkgtool: " + cut + ": damaged or truncated gzip data\n");
  EXPECT_TRUE(result.out.starts_with("== " + cut + "\nunreadable: " + cut +
                                     ": damaged or truncated gzip data\n== " + folder +
                                     "/tool.gz\n"))
      << result.out;
  EXPECT_TRUE(result.out.ends_with("\ntotal: 2 packages, 1 unreadable: 1 error\n")) << result.out;
  result = Pkgtool({"lint", cut, folder + "/Notes.gz", "--json"});
  EXPECT_EQ(result.exitCode, 3);
  EXPECT_TRUE(result.out.starts_with("{\"packages\":[{\"package\":\"" + cut + "\",\"unreadable\":"))
      << result.out;
  EXPECT_TRUE(result.out.ends_with(
      "\"errors\":0,\"warnings\":0,\"notes\":0}],\"errors\":0,\"warnings\":0,\"notes\":0,"
      "\"unreadable\":1}\n"))
      << result.out;
  // A folder of clean deliveries passes.
  fs::remove(folder + "/tool.gz");
  result = Pkgtool({"lint", folder});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.out.ends_with("\ntotal: 2 packages: 0 errors, 0 warnings, 0 notes\n"));
}

TEST_F(PkgtoolTest, TryReportsWhatTheUpdaterDoes) {
  for (const auto& [example, name] : std::map<std::string, std::string>{
           {"notes", "Notes.gz"}, {"sync", "Sync.gz"}, {"suite", "Suite.gz"}}) {
    SCOPED_TRACE(example);
    const std::string product = Packed(example, name);
    const auto result = Pkgtool({"try", product});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto direct = InstallDirectly(product);

    // Files: what the updater left on its device, all of it new.
    std::vector<std::string> created = LinesAfter(result.out, "  created  ");
    std::sort(created.begin(), created.end());
    EXPECT_EQ(created, FilesBelow(direct->hostDir() + "/fs"));
    EXPECT_TRUE(LinesAfter(result.out, "  written  ").empty());
    EXPECT_TRUE(LinesAfter(result.out, "  deleted  ").empty());

    // The registry: the whole export, all of it new.
    std::string exported = Devicectl(*direct, {"reg", "export"}).out;
    std::vector<std::string> exportLines = LinesAfter(exported, "");
    exportLines.erase(std::remove_if(exportLines.begin(), exportLines.end(),
                                     [](const std::string& line) {
                                       return line.empty() || line.starts_with("Windows");
                                     }),
                      exportLines.end());
    std::vector<std::string> registry;
    for (const std::string& line : LinesAfter(result.out, "  ")) {
      if (line.starts_with("[") || line.starts_with("\"") || line.starts_with("@"))
        registry.push_back(line);
    }
    EXPECT_EQ(registry, exportLines);

    // The journal: the same events in the same order, as JSON without their numbers.
    const auto json = Pkgtool({"try", product, "--json"});
    ASSERT_EQ(json.exitCode, 0);
    std::string events;
    for (std::string line : LinesAfter(Devicectl(*direct, {"events"}).out, "{\"seq\":")) {
      events += (events.empty() ? "{" : ",{") + line.substr(line.find(',') + 1);
    }
    EXPECT_NE(json.out.find("\"events\":[" + events + "]"), std::string::npos) << json.out;
  }
}

// --scramble-data scrambles only the script: the updater installs files as they are stored.
TEST_F(PkgtoolTest, ScrambledDataInstallsTheFilesAsPacked) {
  const std::string product = work_.hostDir() + "/Notes.gz";
  const auto packed =
      Pkgtool({"pack", std::string(EXAMPLES_DIR) + "/notes", "-o", product, "--scramble-data"});
  ASSERT_EQ(packed.exitCode, 0) << packed.err;
  EXPECT_EQ(Pkgtool({"try", product}).exitCode, 0);
  const auto device = InstallDirectly(product);
  const std::string installed = device->hostDir() + "/fs/Program Files/Kelmora Notes/";
  EXPECT_EQ(test::ReadHostFile(installed + "Notes.exe"),
            test::ReadHostFile(std::string(EXAMPLES_DIR) + "/notes/Notes.exe"));
  EXPECT_EQ(test::ReadHostFile(installed + "Help/Notes.htm"),
            test::ReadHostFile(std::string(EXAMPLES_DIR) + "/notes/Help/Notes.htm"));
}

// A delivery renamed by hand installs nothing, as on a device; try says why and exits 1.
TEST_F(PkgtoolTest, TryOfARenamedDeliveryIsAProblemFound) {
  const std::string renamed = work_.hostDir() + "/notes-1.2.gz";
  fs::copy_file(Packed("notes", "Notes.gz"), renamed);
  const auto result = Pkgtool({"try", renamed});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.out.find("\n0 folders created, 0 files changed,"), std::string::npos)
      << result.out;
  EXPECT_EQ(result.err, "pkgtool: " + renamed +
                            ": the entry names do not decode under the name 'notes-1.2', so "
                            "the updater installs nothing: the package was made for another "
                            "file name; delivered as 'Notes.gz' it reads (--as Notes.gz)\n");
  const auto json = Pkgtool({"try", renamed, "--json"});
  EXPECT_EQ(json.exitCode, 1);
  EXPECT_NE(json.out.find("\"misnamed\":\"the entry names do not decode under the name "
                          "'notes-1.2'"),
            std::string::npos)
      << json.out;
  EXPECT_EQ(Pkgtool({"try", renamed, "--as", "Notes.gz"}).exitCode, 0);
}

TEST_F(PkgtoolTest, TryNamesShortcutsNestedProductsAndFailedStarts) {
  auto result = Pkgtool({"try", Packed("suite", "Suite.gz")});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(LinesAfter(result.out, "  \\Windows\\Start Menu\\Programs\\Kelmora Suite.lnk -> "),
            std::vector<std::string>{"\"\\Program Files\\Kelmora Suite\\Suite.exe\""});
  EXPECT_EQ(LinesAfter(result.out, "  \\Program Files\\Kelmora Suite\\Updates\\Dictionary.gz  "),
            std::vector<std::string>{"installed, from the entry 'Dictionary.gz'"});
  EXPECT_EQ(LinesAfter(result.out, "nested products").size(), 1u);

  const std::string folder = work_.hostDir() + "/failing";
  fs::create_directories(folder);
  test::WriteHostFile(
      folder + "/InstallScript.xml",
      "<Installation><AppPath>\\Tool</AppPath></Installation><Files/>\n<Actions>\n"
      "<A event=\"Install.After\" type=\"App.Run\" target=\"\\Windows\\none.exe\" args=\"-x\"/>\n"
      "<A event=\"Install.After\" type=\"Product.Unpack\" filename=\"\\Temp\\Other.gz\"/>\n"
      "</Actions>\n");
  const std::string product = work_.hostDir() + "/Failing";  // a plain package
  Pack(folder, product);
  result = Pkgtool({"try", product});
  EXPECT_EQ(result.exitCode, 1) << result.err;  // a program start failed
  EXPECT_EQ(
      LinesAfter(result.out, "  FAILED   "),
      std::vector<std::string>{"\\Windows\\none.exe  -x  (the start failed: no such program)"});
  EXPECT_EQ(LinesAfter(result.out, "  \\Temp\\Other.gz  "),
            std::vector<std::string>{"no such file when the action ran: nothing installed"});

  // A file the device refuses: the product is not completed, and try says so.
  test::WriteHostFile(folder + "/InstallScript.xml",
                      "<Installation><AppPath>\\Tool</AppPath><Exe>a.exe</Exe></Installation>"
                      "<Files><File name=\"a.exe\"/><File name=\"b|c\"/></Files>");
  test::WriteHostFile(folder + "/b|c", "refused");
  test::WriteHostFile(folder + "/a.exe", "a");
  Pack(folder, product);
  result = Pkgtool({"try", product});
  EXPECT_EQ(result.exitCode, 1) << result.err;  // kept for another attempt
  EXPECT_EQ(LinesAfter(result.out, "NOT INSTALLED: ").size(), 1u) << result.out;
  EXPECT_TRUE(LinesAfter(result.out, "  started  ").empty());
  EXPECT_EQ(LinesAfter(result.out, "  \\pkgtool-try\\Failing.gz.try1").size(), 1u);
  EXPECT_NE(Pkgtool({"try", product, "--json"}).out.find("\"keptForAnotherAttempt\":true"),
            std::string::npos);
}

// A delivery folder is tried as a device installs it: every product delivered at once
// and the updater run once; each product is reported with its own outcome, and one
// that is not completely installed fails the whole.
TEST_F(PkgtoolTest, TryInstallsADeliveryFolderInOneRun) {
  const std::string folder = work_.hostDir() + "/delivery";
  fs::create_directories(folder);
  fs::copy_file(Packed("notes", "Notes.gz"), folder + "/Notes.gz");
  const std::string failing = work_.hostDir() + "/failing";
  fs::create_directories(failing);
  test::WriteHostFile(failing + "/InstallScript.xml",
                      "<Installation><AppPath>\\Tool</AppPath><Exe>a.exe</Exe></Installation>"
                      "<Files><File name=\"a.exe\"/><File name=\"b|c\"/></Files>");
  test::WriteHostFile(failing + "/b|c", "refused");
  test::WriteHostFile(failing + "/a.exe", "a");
  Pack(failing, folder + "/failing.gz");

  auto result = Pkgtool({"try", folder});
  EXPECT_EQ(result.exitCode, 1) << result.err;
  EXPECT_TRUE(result.out.starts_with(
      "pkgtool try: 2 products delivered into \\pkgtool-try on a fresh device\n"
      "products, in the order the updater took them\n"
      "  " +
      folder +
      "/failing.gz as \\pkgtool-try\\failing.gz: NOT INSTALLED: its files could not all be "
      "put in place: not completed, kept as \\pkgtool-try\\failing.gz.try1 for one more "
      "attempt\n"
      "  " +
      folder +
      "/Notes.gz as \\pkgtool-try\\Notes.gz: installed\n"
      "    placed   \\Program Files\\Kelmora Notes\\Notes.exe\n"
      "    placed   \\Program Files\\Kelmora Notes\\Help\\Notes.htm\n"
      "    placed   \\Program Files\\Kelmora Shared\\Templates\\Letter.txt\n"
      "    started  \\Program Files\\Kelmora Notes\\Notes.exe\n"
      "folders created\n"))
      << result.out;
  EXPECT_EQ(LinesAfter(result.out, "  \\pkgtool-try\\"),
            std::vector<std::string>{"failing.gz.try1"});
  EXPECT_TRUE(
      result.out.ends_with("\n1 of 2 products installed, 5 folders created, 3 files changed, "
                           "0 registry values changed, 2 programs started, 0 failed, 1 "
                           "message, 0 shortcuts, 0 nested products installed\n"))
      << result.out;
  result = Pkgtool({"try", folder, "--json"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(
      result.out.starts_with("{\"device\":\"\",\"updaterExit\":0,"
                             "\"keptForAnotherAttempt\":true,"))
      << result.out;
  EXPECT_NE(result.out.find(
                "\"products\":[{\"product\":\"" + folder +
                "/failing.gz\",\"deliveredAs\":\"\\\\pkgtool-try\\\\failing.gz\",\"accounted\":"
                "true,\"installed\":false,\"outcome\":\"not-installed\","),
            std::string::npos)
      << result.out;
  EXPECT_NE(
      result.out.find("\"deliveredAs\":\"\\\\pkgtool-try\\\\Notes.gz\",\"accounted\":true,"
                      "\"installed\":true,\"outcome\":\"installed\",\"note\":\"\","
                      "\"keptForAnotherAttempt\":false,\"placed\":[{\"entry\":\"Notes.exe\","),
      std::string::npos)
      << result.out;

  // The updater runs once, with every product in its delivery folder.
  const std::string runs = work_.hostDir() + "/runs";
  const std::string updater = work_.hostDir() + "/listing.sh";
  test::WriteHostFile(updater, "#!/bin/sh\necho \"$1 $2\" >> " + runs + "\nls \"$CE_DEVICE/fs/" +
                                   "pkgtool-try\" >> " + runs + "\n");
  fs::permissions(updater, fs::perms::owner_all);
  result = Pkgtool({"try", folder + "/Notes.gz", folder + "/failing.gz", "--updater", updater});
  EXPECT_EQ(result.exitCode, 1);  // nothing installed: both deliveries left
  EXPECT_EQ(test::ReadHostFile(runs), "-unpackProduct \\pkgtool-try\nNotes.gz\nfailing.gz\n");
  EXPECT_EQ(LinesAfter(result.out, "  " + folder + "/"),
            (std::vector<std::string>{
                "failing.gz as \\pkgtool-try\\failing.gz: NOT KNOWN to be installed: the "
                "updater's account does not tell of it",
                "Notes.gz as \\pkgtool-try\\Notes.gz: NOT KNOWN to be installed: the updater's "
                "account does not tell of it"}));
}

// try --json gives each registry value changed with its type and its data as JSON, and
// what a changed value was before.
TEST_F(PkgtoolTest, TryGivesRegistryValuesAsStructuredJson) {
  const std::string device = work_.hostDir() + "/device";
  ASSERT_EQ(test::RunProgram(DEVICECTL_PATH, {"--device", device, "init"}).exitCode, 0);
  const std::string reg = work_.hostDir() + "/before.reg";
  test::WriteHostFile(reg,
                      "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\T]\n"
                      "\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00\n\"N\"=hex:01,02\n");
  ASSERT_EQ(test::RunProgram(DEVICECTL_PATH, {"--device", device, "reg", "import", reg}).exitCode,
            0);
  const std::string folder = work_.hostDir() + "/writer";
  fs::create_directories(folder);
  test::WriteHostFile(
      folder + "/InstallScript.xml",
      "<Installation><AppPath>\\W</AppPath></Installation><Files/><Actions>\n"
      "<A event=\"Install.After\" type=\"Registry.WriteValue\" key=\"HKCU\\Software\\T\" "
      "valueName=\"List\" value=\"x &quot;y\\z\"/>\n"
      "<A event=\"Install.After\" type=\"Registry.WriteValue\" key=\"HKCU\\Software\\T\" "
      "valueName=\"N\" dataType=\"dword\" value=\"7\"/>\n"
      "<A event=\"Install.After\" type=\"Registry.WriteValue\" key=\"HKLM\\Software\\W\" "
      "valueName=\"\" value=\"d\"/>\n"
      "</Actions>\n");
  const std::string product = work_.hostDir() + "/Writer.gz";
  Pack(folder, product);
  const auto result = Pkgtool({"try", product, "--device", device, "--json"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(
      result.out.find(
          R"("registry":[{"key":"HKEY_CURRENT_USER\\Software\\T","created":false,"deleted":false,"values":[)"
          R"({"line":"\"List\"=\"x &quot;y\\\\z\"","name":"List","type":"REG_SZ","data":"x &quot;y\\z",)"
          R"("before":"\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00","was":{"type":"REG_MULTI_SZ","data":["a","b"]}},)"
          R"({"line":"\"N\"=dword:00000007","name":"N","type":"REG_DWORD","data":7,)"
          R"("before":"\"N\"=hex:01,02","was":{"type":"REG_BINARY","data":"0102"}}]})"),
      std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find(R"({"line":"@=\"d\"","name":"","type":"REG_SZ","data":"d"})"),
            std::string::npos)
      << result.out;
}

// The nested products come from the updater's account of its run, never from the script:
// a delivery that was never unpacked, or an updater that does nothing, installs none.
TEST_F(PkgtoolTest, TryReportsNestedProductsFromTheUpdatersAccount) {
  const std::string inner = work_.hostDir() + "/inner";
  fs::create_directories(inner);
  test::WriteHostFile(inner + "/InstallScript.xml",
                      "<Installation><AppPath>\\Inner</AppPath></Installation>"
                      "<Files><File name=\"i.txt\"/></Files>");
  test::WriteHostFile(inner + "/i.txt", "inner");
  const std::string outer = work_.hostDir() + "/outer";
  fs::create_directories(outer);
  Pack(inner, outer + "/Inner.gz");
  test::WriteHostFile(outer + "/b|c", "refused by the device");
  const std::string unpackBefore =
      "<A event=\"Install.Before\" type=\"Product.Unpack\" filename=\"\\Outer\\Inner.gz\"/>";
  const std::string unpackAfter =
      "<A event=\"Install.After\" type=\"Product.Unpack\" filename=\"\\Outer\\Inner.gz\"/>";
  const struct {
    const char* name;
    std::string files;
    std::string actions;
    const char* updater;              // null for this build's
    std::vector<std::string> nested;  // the lines of \Outer\Inner.gz, after its path
    const char* summaryEnd;
    int exitCode;  // 1 when the delivery was not completely installed
  } cases[] = {
      {"unpacked before and after its delivery is written",
       "<File name=\"Inner.gz\"/>",
       unpackBefore + unpackAfter,
       nullptr,
       {"no such file when the action ran: nothing installed",
        "installed, from the entry 'Inner.gz'"},
       "1 nested product installed",
       0},
      {"its delivery could not be written",
       "<File name=\"Inner.gz\"/><File name=\"b|c\"/>",
       unpackAfter,
       nullptr,
       {},
       "0 nested products installed",
       1},
      {"an updater that does nothing",
       "<File name=\"Inner.gz\"/>",
       unpackAfter,
       "/bin/true",
       {},
       "0 nested products installed",
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::WriteHostFile(outer + "/InstallScript.xml",
                        "<Installation><AppPath>\\Outer</AppPath></Installation><Files>" + c.files +
                            "</Files><Actions>" + c.actions + "</Actions>");
    const std::string product = work_.hostDir() + "/Outer.gz";
    Pack(outer, product);
    std::vector<std::string> args{"try", product};
    if (c.updater != nullptr) args.insert(args.end(), {"--updater", c.updater});
    const auto result = Pkgtool(args);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    EXPECT_EQ(LinesAfter(result.out, "  \\Outer\\Inner.gz  "), c.nested) << result.out;
    EXPECT_TRUE(result.out.ends_with(std::string(c.summaryEnd) + "\n")) << result.out;
    EXPECT_EQ(LinesAfter(result.out, "the updater gave no account of its run").size(),
              c.updater != nullptr ? 1u : 0u);
    args.push_back("--json");
    const std::string json = Pkgtool(args).out;
    EXPECT_EQ(json.find("\"installed\":true") != std::string::npos, c.summaryEnd[0] != '0');
  }
}

TEST_F(PkgtoolTest, TryLeavesTheGivenDeviceAsItWasAndRepeatsItself) {
  const std::string device = work_.hostDir() + "/device";
  ASSERT_EQ(test::RunProgram(DEVICECTL_PATH, {"--device", device, "init"}).exitCode, 0);
  ASSERT_EQ(test::RunProgram(DEVICECTL_PATH, {"--device", device, "window", "add", "Kelmora Sync"})
                .exitCode,
            0);
  // A delivered product already in \Temp is not the one tried, and is left alone.
  const std::string notes = Packed("notes", "Notes.gz");
  fs::copy_file(notes, device + "/fs/Temp/Notes.gz");
  const std::string before = FolderContents(device);

  const std::string product = Packed("sync", "Sync.gz");
  const auto first = Pkgtool({"try", product, "--device", device});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(Pkgtool({"try", product, "--device", device}).out, first.out);
  EXPECT_EQ(FolderContents(device), before);
  EXPECT_EQ(LinesAfter(first.out, "  message  "),
            std::vector<std::string>{"WM_CLOSE to \"Kelmora Sync\" (window 65537)"});
  EXPECT_TRUE(LinesAfter(first.out, "  created  \\Program Files\\Kelmora Notes").empty());
}

// True when process `pid` has ended: gone, or a zombie waiting for its parent.
bool Ended(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return true;
  const std::size_t close = text.rfind(')');
  return close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z';
}

// An updater that never finishes ends when its time is up or pkgtool is interrupted, and
// so does what it started; pkgtool exits non-zero and leaves no scratch device.
TEST_F(PkgtoolTest, TryEndsAnUpdaterThatHangsAndCleansUp) {
  const std::string product = Packed("notes", "Notes.gz");
  const std::string pids = work_.hostDir() + "/pids";
  const struct {
    const char* name;
    int signal;         // sent to pkgtool once the updater runs; 0 for the time limit
    const char* setup;  // shell lines before the updater starts its child
  } cases[] = {
      {"time limit", 0, ""},
      {"SIGTERM", SIGTERM, ""},
      {"SIGINT", SIGINT, ""},
      {"time limit, SIGTERM ignored", 0, "trap '' TERM\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(pids);
    const std::string updater = work_.hostDir() + "/hang.sh";
    test::WriteHostFile(updater, std::string("#!/bin/sh\n") + c.setup +
                                     "sleep 600 &\necho $$ $! > " + pids + ".new\nmv " + pids +
                                     ".new " + pids + "\nwhile :; do wait; done\n");
    fs::permissions(updater, fs::perms::owner_all);
    const std::string temp = work_.hostDir() + "/tmp";
    fs::create_directories(temp);

    std::vector<std::string> args{PKGTOOL_PATH, "try", product, "--updater", updater};
    if (c.signal == 0) args.insert(args.end(), {"--timeout", "2"});
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment{"TMPDIR=" + temp};
    for (char** entry = environ; *entry != nullptr; ++entry) {
      if (!std::string_view(*entry).starts_with("TMPDIR=")) environment.emplace_back(*entry);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pkgtool = 0;
    ASSERT_EQ(::posix_spawn(&pkgtool, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    // The updater has started its child once it has written their numbers.
    int status = 0;
    pid_t ended = 0;
    while (!fs::exists(pids) && (ended = ::waitpid(pkgtool, &status, WNOHANG)) == 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(ended, 0) << "pkgtool ended before the updater ran";
    if (c.signal != 0) ::kill(pkgtool, c.signal);
    ASSERT_EQ(::waitpid(pkgtool, &status, 0), pkgtool);
    if (c.signal != 0) {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << status;
    } else {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    }
    EXPECT_TRUE(fs::is_empty(temp)) << "a scratch device is left in " << temp;
    std::ifstream in(pids);
    pid_t shell = 0;
    pid_t child = 0;
    ASSERT_TRUE(in >> shell >> child);
    EXPECT_TRUE(Ended(shell));
    // The child was ended with its group; a zombie until init reaps it.
    for (int tries = 0; tries < 500 && !Ended(child); ++tries)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(Ended(child));
    if (!Ended(child)) ::kill(child, SIGKILL);
  }
}

// Every mistake is one line on standard error with the exit code a script can act on: 2
// for the command line, 3 for input that cannot be read.
TEST_F(PkgtoolTest, MistakesAreOneLineErrorsWithTheirExitCode) {
  constexpr int kUsage = 2;
  constexpr int kUnreadable = 3;
  const std::string product = Packed("notes", "Notes.gz");
  const std::string missing = work_.hostDir() + "/missing.gz";
  const std::string cut = work_.hostDir() + "/Cut.gz";
  test::WriteHostFile(cut, test::ReadHostFile(product).substr(0, 40));
  // A package cut short, plain and as whole gzip data; a file that is no package.
  const std::string plain = work_.hostDir() + "/Plain";
  Pack(std::string(EXAMPLES_DIR) + "/notes", plain);
  const std::string cutPlain = work_.hostDir() + "/CutPlain";
  test::WriteHostFile(cutPlain, test::ReadHostFile(plain).substr(0, 300));
  const std::string cutInGzip = work_.hostDir() + "/CutPlain.gz";
  test::WriteHostFile(cutInGzip, test::GzipBytes(test::ReadHostFile(cutPlain)));
  const std::string text = work_.hostDir() + "/text";
  test::WriteHostFile(text, "neither gzip data nor a package\n");
  const std::string cutShort =
      ": the package is cut short or damaged: its 4 entries cannot be read\n";
  // The package made as Notes.gz, delivered renamed.
  const std::string renamed = work_.hostDir() + "/notes-1.2.gz";
  fs::copy_file(product, renamed);
  const std::string wrongName =
      ": the entry names do not decode under the name 'notes-1.2', so the updater installs "
      "nothing: the package was made for another file name; delivered as 'Notes.gz' it reads "
      "(--as Notes.gz)\n";
  const std::string empty = work_.hostDir() + "/empty";
  fs::create_directories(empty);
  test::WriteHostFile(empty + "/Notes.gz.try1", "set aside, not a delivery");
  const std::string sameName = work_.hostDir() + "/other/notes.gz";
  fs::create_directories(work_.hostDir() + "/other");
  fs::copy_file(product, sameName);
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string firstLine;  // of standard error (a usage line may follow)
  } cases[] = {
      {{"try", missing}, kUnreadable, "pkgtool: " + missing + ": No such file or directory\n"},
      {{"try", cut}, kUnreadable, "pkgtool: " + cut + ": damaged or truncated gzip data\n"},
      {{"try", product, "--device", work_.hostDir() + "/nowhere"},
       kUnreadable,
       "pkgtool: " + work_.hostDir() + "/nowhere: not a device (it has no fs/ folder)\n"},
      // The options of a command may come before it.
      {{"--device", work_.hostDir() + "/nowhere", "--updater", UPDATER_PATH, "try", product},
       kUnreadable,
       "pkgtool: " + work_.hostDir() + "/nowhere: not a device (it has no fs/ folder)\n"},
      {{"try", product, "--updater", work_.hostDir()},
       kUsage,
       "pkgtool: " + work_.hostDir() + ": not an executable file\n"},
      {{"try", product, "--timeout", "0"},
       kUsage,
       "pkgtool: try: --timeout takes a number of seconds from 1 to 86400\n"},
      {{"try", product, sameName},
       kUsage,
       "pkgtool: " + sameName +
           ": another product is delivered as Notes.gz too; the updater would take one of "
           "them only\n"},
      {{"try", empty, "--as", "Notes"}, kUsage, "pkgtool: try: --as goes with one product\n"},
      {{"try", empty}, kUnreadable, "pkgtool: " + empty + ": no delivery (*.gz) in the folder\n"},
      {{"lint"}, kUsage, "pkgtool: lint: packages or delivery folders to lint\n"},
      {{"lint", empty}, kUnreadable, "pkgtool: " + empty + ": no delivery (*.gz) in the folder\n"},
      {{"lint", product, empty, "--as", "Notes"},
       kUsage,
       "pkgtool: lint: --as goes with one package\n"},
      {{"lint", product, "--severity", "fatal"},
       kUsage,
       "pkgtool: lint: --severity takes error, warning or note\n"},
      {{"lint", missing}, kUnreadable, "pkgtool: " + missing + ": No such file or directory\n"},
      {{"lint", cut}, kUnreadable, "pkgtool: " + cut + ": damaged or truncated gzip data\n"},
      {{"list", cut}, kUnreadable, "pkgtool: " + cut + ": damaged or truncated gzip data\n"},
      {{"extract", cut, "-C", work_.hostDir() + "/x"},
       kUnreadable,
       "pkgtool: " + cut + ": damaged or truncated gzip data\n"},
      {{"list", cutPlain}, kUnreadable, "pkgtool: " + cutPlain + cutShort},
      {{"extract", cutPlain, "-C", work_.hostDir() + "/x"},
       kUnreadable,
       "pkgtool: " + cutPlain + cutShort},
      {{"try", cutPlain}, kUnreadable, "pkgtool: " + cutPlain + cutShort},
      {{"lint", cutPlain}, kUnreadable, "pkgtool: " + cutPlain + cutShort},
      {{"lint", cutInGzip}, kUnreadable, "pkgtool: " + cutInGzip + cutShort},
      {{"lint", text}, kUnreadable, "pkgtool: " + text + ": not a package\n"},
      {{"list", cutInGzip}, kUnreadable, "pkgtool: " + cutInGzip + cutShort},
      {{"try", cutInGzip}, kUnreadable, "pkgtool: " + cutInGzip + cutShort},
      {{"list", text}, kUnreadable, "pkgtool: " + text + ": not a package\n"},
      {{"extract", text, "-C", work_.hostDir() + "/x"},
       kUnreadable,
       "pkgtool: " + text + ": not a package\n"},
      {{"list", renamed}, kUnreadable, "pkgtool: " + renamed + wrongName},
      {{"extract", renamed, "-C", work_.hostDir() + "/x"},
       kUnreadable,
       "pkgtool: " + renamed + wrongName},
      {{"pack", work_.hostDir() + "/nowhere", "-o", work_.hostDir() + "/x.gz"},
       kUnreadable,
       "pkgtool: " + work_.hostDir() + "/nowhere: not a folder\n"},
      {{"pack", std::string(EXAMPLES_DIR) + "/notes", "-o", work_.hostDir() + "/x.gz", "--force"},
       kUsage,
       "pkgtool: pack: --force goes with --lint\n"},
      {{"lnt", product}, kUsage, "pkgtool: unknown command 'lnt', did you mean 'lint'?\n"},
      {{}, kUsage, "usage: pkgtool COMMAND [ARGS]\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "no arguments" : c.args[0] + " " + c.args.back());
    const auto result = Pkgtool(c.args);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.substr(0, result.err.find('\n') + 1), c.firstLine);
  }
  // lint --json says in its JSON too that the package cannot be read.
  const auto result = Pkgtool({"lint", cut, "--json"});
  EXPECT_EQ(result.exitCode, kUnreadable);
  EXPECT_EQ(result.out, "{\"package\":\"" + cut + "\",\"unreadable\":\"" + cut +
                            ": damaged or truncated gzip data\"}\n");
  EXPECT_FALSE(fs::exists(work_.hostDir() + "/x"));
}

}  // namespace
