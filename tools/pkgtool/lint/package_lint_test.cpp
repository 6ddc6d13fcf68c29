#include "lint/package_lint.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lint/lint_report.h"
#include "package/package_writer.h"
#include "testing/gzip_bytes.h"
#include "testing/temp_device.h"

namespace pkgtool {
namespace {

const std::string kScript =
    "<Installation><AppPath>\\Tool</AppPath></Installation>\n"
    "<Files><File name=\"a.txt\"/></Files>\n<Actions/>\n";

class PackageLintTest : public ::testing::Test {
 protected:
  // Writes `bytes` as the host file `name` and lints it (opened under `asName` if given).
  std::string Lint(const std::string& name, const std::string& bytes,
                   const std::string& asName = "", bool json = false) {
    const std::string path = folder_.hostDir() + "/" + name;
    test::WriteHostFile(path, bytes);
    std::string error;
    auto view = PackageView::Open(path, asName, &error);
    EXPECT_NE(view, nullptr) << error;
    if (view == nullptr) return error;
    const Findings findings = LintPackage(*view);
    const LintSubject subject{name, view->name()};
    return json ? LintJson(subject, findings) : LintText(subject, findings);
  }

  test::TempDevice folder_;
};

TEST_F(PackageLintTest, ACleanPackage) {
  const std::string bytes =
      pkg::BuildPackage("Tool", {{"InstallScript.xml", kScript}, {"a.txt", "text"}});
  EXPECT_EQ(Lint("Tool.gz", test::GzipBytes(bytes)), "0 errors, 0 warnings, 0 notes\n");
  EXPECT_EQ(Lint("Tool", bytes), "0 errors, 0 warnings, 0 notes\n");
}

TEST_F(PackageLintTest, AScriptTooLargeForTheUpdaterIsAnError) {
  const std::string script = std::string(kScript) + std::string(17 << 20, ' ');
  const std::string bytes = pkg::BuildPackage("Tool", {{"InstallScript.xml", script}});
  EXPECT_EQ(Lint("Tool", bytes),
            "Tool: error: InstallScript.xml is over 16 MiB: the updater does not read it and "
            "installs nothing [script-too-large]\n"
            "1 error, 0 warnings, 0 notes\n");
  // Four megabytes of empty elements: a small text, a tree over the updater's bound.
  std::string elements;
  for (int i = 0; i < 1'000'000; ++i) elements += "<a/>";
  const std::string tree = pkg::BuildPackage("Tool", {{"InstallScript.xml", elements + kScript}});
  EXPECT_NE(Lint("Tool", tree).find("MiB of memory once read, over the updater's"),
            std::string::npos);
}

// Under any name of another key the script's name does not decode. The key is worked
// back from the script's known name; a name is given only when it has that key.
TEST_F(PackageLintTest, APackageDeliveredUnderAnotherNameIsForAnotherFileName) {
  const std::string withFolder =
      pkg::BuildPackage("Tool", {{"InstallScript.xml", kScript}, {"a.txt", "text"}});
  const std::string withScrambledScript =
      pkg::BuildPackage("Tool", {{"InstallScript.xml", kScript, true}, {"a.txt", "text"}});
  const std::string nameless = pkg::BuildPackage(
      "Tool", {{"InstallScript.xml", "<Installation/><Files/>\n"}, {"a.txt", "text"}});
  const struct {
    const char* delivered;
    const std::string& bytes;
    const char* readsAs;  // null when no likely name has the key
  } cases[] = {
      {"tool.gz", withFolder, "Tool"},
      {"TOOL.gz", withFolder, "Tool"},
      {"Tool-1.2.gz", withFolder, "Tool"},
      {"Tool_v2.gz", withFolder, "Tool"},
      {"Tool2.gz", withFolder, "Tool"},
      // One key further: the names stay text, only the script is missing.
      {"Toom.gz", withFolder, "Tool"},
      // The name comes from the script's folder, read under the package's key.
      {"renamed.gz", withFolder, "Tool"},
      {"renamed.gz", withScrambledScript, "Tool"},
      {"renamed.gz", nameless, nullptr},
  };
  for (const auto& c : cases) {
    const std::string opened(c.delivered, std::string_view(c.delivered).size() - 3);
    SCOPED_TRACE(c.delivered);
    std::string message = "the entry names do not decode under the name '" + opened +
                          "', so the updater installs nothing: the package was made for another "
                          "file name";
    if (c.readsAs != nullptr) {
      message +=
          "; delivered as '" + std::string(c.readsAs) + ".gz' it reads (--as " + c.readsAs + ".gz)";
    }
    EXPECT_EQ(Lint(c.delivered, test::GzipBytes(c.bytes)),
              std::string(c.delivered) + ": error: " + message + " [wrong-file-name]\n" +
                  "1 error, 0 warnings, 0 notes\n");
  }
  // --as names the file the package is for, with or without ".gz".
  EXPECT_EQ(Lint("renamed.bin", withFolder, "Tool"), "0 errors, 0 warnings, 0 notes\n");
  EXPECT_EQ(Lint("renamed.bin", withFolder, "Tool.gz"), "0 errors, 0 warnings, 0 notes\n");
  // Without a script to tell, names that are not text still point at another file name.
  const std::string noScript = pkg::BuildPackage("Tool", {{"a.txt", "a"}, {"b.txt", "b"}});
  EXPECT_EQ(Lint("X", noScript),
            "X: error: the package has no InstallScript.xml entry: the updater installs "
            "nothing [no-script]\n"
            "X: error: the entry names do not read as text under the name 'X': the "
            "package was probably made for another file name [wrong-file-name]\n"
            "2 errors, 0 warnings, 0 notes\n");
}

TEST_F(PackageLintTest, PackagesWithoutAScriptToRun) {
  EXPECT_EQ(Lint("A", pkg::BuildPackage("A", {{"installscript.xml", kScript}})),
            "A: error: the entry 'installscript.xml' is not 'InstallScript.xml' (names are "
            "case-sensitive): "
            "the updater finds no script and installs nothing [wrong-case]\n"
            "1 error, 0 warnings, 0 notes\n");
  EXPECT_EQ(Lint("B", pkg::BuildPackage("B", {{"InstallScript.xml", ""}, {"a.txt", "x"}})),
            "B: error: InstallScript.xml is empty: the updater installs nothing [empty-script]\n"
            "1 error, 0 warnings, 0 notes\n");
  // A damaged package reads as one without entries.
  EXPECT_EQ(Lint("C", "not a package at all"),
            "C: error: the package has no entries, or it is damaged: the updater installs nothing "
            "[empty-package]\n"
            "1 error, 0 warnings, 0 notes\n");
}

TEST_F(PackageLintTest, NestedProductsAreLintedUnderTheirDeviceNames) {
  const std::string inner = pkg::BuildPackage(
      "Data", {{"InstallScript.xml",
                "<Installation><AppPath>\\Data</AppPath></Installation>\n<Files>\n"
                "<File name=\"b.txt\"/>\n</Files><Actions/>"}});
  const std::string outerScript =
      "<Installation><AppPath>\\Tool</AppPath></Installation>\n"
      "<Files><File name=\"Data.gz\"/><File name=\"Wrong.gz\"/></Files>\n<Actions>\n"
      "<A event=\"Install.After\" type=\"Product.Unpack\" filename=\"%AppPath%\\Data.gz\"/>\n"
      "<A event=\"Install.After\" type=\"Product.Unpack\" filename=\"%AppPath%\\Wrong.gz\"/>\n"
      "</Actions>\n";
  const std::string outer = pkg::BuildPackage("Tool", {{"InstallScript.xml", outerScript},
                                                       {"Data.gz", test::GzipBytes(inner)},
                                                       {"Wrong.gz", test::GzipBytes(inner)}});
  EXPECT_EQ(
      Lint("Tool.gz", test::GzipBytes(outer)),
      "Data.gz > InstallScript.xml:3:7: error: 'b.txt' names no entry of the package: nothing is "
      "written [unknown-entry]\n"
      "  <File name=\"b.txt\"/>\n"
      "        ^\n"
      "Wrong.gz: error: the entry names do not decode under the name 'Wrong', so the updater "
      "installs nothing: the package was made for another file name; delivered as 'Data.gz' it "
      "reads [wrong-file-name]\n"
      "2 errors, 0 warnings, 0 notes\n");
  EXPECT_NE(
      Lint("Tool.gz", test::GzipBytes(outer), "", true)
          .find(
              R"({"severity":"error","code":"unknown-entry","message":"'b.txt' names no entry of the )"
              R"(package: nothing is written","file":"InstallScript.xml","line":3,"column":7,)"
              R"("within":["Data.gz"]})"),
      std::string::npos);
}

TEST_F(PackageLintTest, ADamagedNestedProductIsAnError) {
  const std::string inner =
      test::GzipBytes(pkg::BuildPackage("Data", {{"InstallScript.xml", kScript}}));
  const std::string outer = pkg::BuildPackage(
      "Tool",
      {{"InstallScript.xml",
        "<Installation/><Files><File name=\"Data.gz\"/></Files>\n<Actions>"
        "<A event=\"Install.After\" type=\"Product.Unpack\" filename=\"\\Data.gz\"/></Actions>"},
       {"Data.gz", inner.substr(0, inner.size() / 2)}});
  const std::string report = Lint("Tool", outer);
  EXPECT_EQ(report,
            "Tool: error: the nested product 'Data.gz' cannot be read: damaged or truncated gzip "
            "data [nested-package]\n"
            "1 error, 0 warnings, 0 notes\n");
}

TEST_F(PackageLintTest, JsonReport) {
  const std::string bytes = pkg::BuildPackage(
      "T", {{"InstallScript.xml", "<Installation/><Files/>\n<Actions><A type=\"x\"/></Actions>"}});
  EXPECT_EQ(
      Lint("T", bytes, "", true),
      R"({"package":"T","openedAs":"T","findings":[)"
      R"({"severity":"error","code":"no-event","message":"action x has no event, so it never runs",)"
      R"("file":"InstallScript.xml","line":2,"column":10},)"
      R"({"severity":"error","code":"unknown-type","message":"unknown action type 'x': the action does )"
      R"(nothing","file":"InstallScript.xml","line":2,"column":13}],"errors":2,"warnings":0,"notes":0})"
      "\n");
}

}  // namespace
}  // namespace pkgtool
