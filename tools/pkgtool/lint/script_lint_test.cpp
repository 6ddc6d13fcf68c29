#include "lint/script_lint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace pkgtool {
namespace {

using Lines = std::vector<std::string>;

const std::vector<EntryInfo> kEntries = {
    {"InstallScript.xml"}, {"Tool.exe"}, {"Help\\Tool.htm"}, {"Data.gz"}};

// "LINE:COLUMN severity code" for every finding, sorted by place.
Lines Lint(const std::string& script, const std::vector<EntryInfo>& entries = kEntries,
           std::vector<NestedPackage>* nested = nullptr) {
  Findings findings;
  std::vector<NestedPackage> ignored;
  LintScript(script, entries, findings, nested != nullptr ? nested : &ignored);
  findings.Sort();
  Lines lines;
  for (const Finding& finding : findings.all()) {
    lines.push_back(std::to_string(finding.line) + ":" + std::to_string(finding.column) + " " +
                    SeverityName(finding.severity) + " " + finding.code);
  }
  return lines;
}

// The message of the only finding with `code`.
std::string Message(const std::string& script, const std::string& code,
                    const std::vector<EntryInfo>& entries = kEntries) {
  Findings findings;
  std::vector<NestedPackage> nested;
  LintScript(script, entries, findings, &nested);
  std::string message;
  for (const Finding& finding : findings.all()) {
    if (finding.code != code) continue;
    EXPECT_TRUE(message.empty()) << "more than one " << code;
    message = finding.message;
  }
  return message;
}

// A script with every section; `files` and `actions` go inside them.
std::string Script(const std::string& files, const std::string& actions,
                   const std::string& installation =
                       "<AppPath>{ProgramFiles}\\Tool</AppPath><Exe>Tool.exe</Exe>") {
  return "<Installation>" + installation + "</Installation>\n<Files>\n" + files +
         "</Files>\n<Actions>\n" + actions + "</Actions>\n";
}

const std::string kFiles =
    "<File name=\"Tool.exe\"/>\n<File name=\"Help\\Tool.htm\"/>\n"
    "<File name=\"Data.gz\" destination=\"%AppPath%\\Updates\"/>\n";

TEST(ScriptLintTest, ACleanScriptHasNoFindings) {
  EXPECT_EQ(
      Lint("<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n" +
           Script(kFiles,
                  "<Action event=\"Install.Before\" type=\"App.CloseAllKelmoraApps\"/>\n"
                  "<Action event=\"Install.After\" type=\"App.Run\" target=\"%AppPath%\\Tool.exe\" "
                  "args=\"-x\"/>\n"
                  "<Action event=\"Install.After\" type=\"Registry.WriteValue\" "
                  "key=\"HKCU\\Software\\T\" "
                  "valueName=\"N\" dataType=\"dword\" value=\"-42\"/>\n"
                  "<Action event=\"Install.After\" type=\"Product.Unpack\" "
                  "filename=\"{ProgramFiles}\\Tool\\Updates\\Data.gz\"/>\n")),
      Lines{});
}

TEST(ScriptLintTest, MissingAndRepeatedSections) {
  EXPECT_EQ(Lint(""),
            (Lines{"0:0 warning no-installation", "0:0 warning no-files", "0:0 note no-actions",
                   "0:0 note unused-entry", "0:0 note unused-entry", "0:0 note unused-entry"}));
  EXPECT_EQ(Lint(Script(kFiles, "") + "<Files><File name=\"Tool.exe\"/></Files>\n<Actions/>"),
            (Lines{"9:1 error duplicate-section", "10:1 warning duplicate-section"}));
  EXPECT_EQ(
      Lint(Script(kFiles, "", "<AppPath>\\A</AppPath><AppPath>\\B</AppPath><Exe>Tool.exe</Exe>")),
      (Lines{"1:36 warning duplicate-element"}));
  // Exe outside Installation is not read, and AppPath as an attribute neither.
  EXPECT_EQ(Lint("<Installation AppPath=\"\\A\"/><Exe>Tool.exe</Exe>" + Script(kFiles, "")),
            (Lines{"1:15 warning ignored-attribute", "1:29 warning misplaced",
                   "1:48 error duplicate-section"}));
}

TEST(ScriptLintTest, ACommentTakesInTheEntriesAfterIt) {
  const std::string script = Script(
      "<File name=\"Tool.exe\"/>\n<!-- help -->\n<File name=\"Help\\Tool.htm\"/>\n<File "
      "name=\"Data.gz\"/>\n",
      "");
  EXPECT_EQ(Message(script, "open-comment"),
            "this comment is read as an element that stays open and takes in the 2 file entries "
            "after it, "
            "never installed: \"Help\\Tool.htm\", \"Data.gz\"");
  EXPECT_EQ(Lint(script),
            (Lines{"0:0 note unused-entry", "0:0 note unused-entry", "4:1 error open-comment"}));
  // In Actions the actions after it never run.
  EXPECT_EQ(
      Message(Script(kFiles,
                     "<!-- x --><Action event=\"Install.After\" type=\"App.Run\" target=\"a\"/>"),
              "open-comment"),
      "this comment is read as an element that stays open and takes in the action after it, which "
      "never run: App.Run (Install.After)");
  // In Installation it hides AppPath and Exe.
  EXPECT_EQ(Message(Script(kFiles, "", "<!-- x --><AppPath>\\A</AppPath><Exe>Tool.exe</Exe>"),
                    "open-comment"),
            "this comment is read as an element that stays open and takes in AppPath, Exe, which "
            "are then "
            "not read (only direct children of Installation count)");
  // At the top it takes in the sections, which are still found: nothing is lost.
  EXPECT_EQ(Lint("<!-- header -->\n" + Script(kFiles, "")), (Lines{"1:1 note open-comment"}));
}

TEST(ScriptLintTest, DeclarationsAndUnclosedTagsTakeInWhatFollows) {
  EXPECT_EQ(Lint("<?xml version=\"1.0\"?><!DOCTYPE Installation>\n" + Script(kFiles, "")),
            (Lines{"1:22 note open-declaration"}));
  // Without attributes the "?" belongs to the name and does not close the declaration.
  EXPECT_EQ(Lint("<?xml?>" + Script(kFiles, "")), (Lines{"1:1 note open-declaration"}));
  EXPECT_EQ(
      Lint(Script("<File name=\"Tool.exe\">\n<File name=\"Help\\Tool.htm\"/>\n", "")),
      (Lines{"0:0 note unused-entry", "0:0 note unused-entry", "3:1 error unclosed-element"}));
  EXPECT_EQ(Lint(Script(kFiles, "", "<AppPath>\\A<Exe>Tool.exe</Exe>")),
            (Lines{"1:15 error unclosed-element"}));
  // A Files section left open makes the Actions section one of its file entries.
  EXPECT_EQ(
      Lint("<Installation/><Files>" + kFiles +
           "<Actions><A event=\"Install.After\" type=\"App.CloseAllKelmoraApps\"/></Actions>"),
      (Lines{"4:1 warning unclosed-section"}));
}

TEST(ScriptLintTest, AttributeSyntaxTheParserReadsOtherwise) {
  const auto entry = [](const std::string& attributes) {
    return Lint(Script("<File name=\"Help\\Tool.htm\" " + attributes +
                           "/>\n<File name=\"Tool.exe\"/>\n"
                           "<File name=\"Data.gz\"/>\n",
                       ""));
  };
  EXPECT_EQ(entry("destination = \"\\A\""), (Lines{"3:28 error attribute-spaces"}));
  EXPECT_EQ(entry("destination =\"\\A\""), (Lines{"3:28 error attribute-spaces"}));
  EXPECT_EQ(entry("destination= \"\\A\""), Lines{});  // the parser skips to the quote
  EXPECT_EQ(entry("destination"), (Lines{"3:28 warning attribute-no-value"}));
  // Single quotes: the value comes from the next double quote, in the next entry here,
  // and that entry is lost.
  EXPECT_EQ(entry("destination='\\A'"),
            (Lines{"0:0 note unused-entry", "1:53 note exe-not-in-package",
                   "3:28 error attribute-single-quotes"}));
  EXPECT_EQ(Message(Script("<File name='Tool.exe'/>\n<File name=\"Help\\Tool.htm\"/>\n", ""),
                    "attribute-single-quotes"),
            "single quotes do not delimit values: name takes the value \"Help\\Tool.htm\" of the "
            "next double "
            "quote, at line 4, and what stands between is lost");
  EXPECT_EQ(entry("destination=\\A"),
            (Lines{"0:0 note unused-entry", "1:53 note exe-not-in-package",
                   "3:28 error attribute-unquoted"}));
  EXPECT_EQ(Lint("<Installation/><Files><File name=Tool.exe/>").back(),
            "1:29 error attribute-unquoted");
  EXPECT_EQ(Lint("<Installation/><Files><File name=\"Tool.exe/>").back(),
            "1:29 error attribute-unclosed");
}

TEST(ScriptLintTest, NamesThatNearlyAreKnownOnes) {
  EXPECT_EQ(Lint("<installation/><Installation/><Files/><Actions/>", {}),
            (Lines{"1:1 error wrong-case"}));
  EXPECT_EQ(Message("<Actons/><Installation/><Files/><Actions/>", "typo", {}),
            "element 'Actons' is not 'Actions': it is ignored");
  EXPECT_EQ(
      Lint(Script(
          "<File Name=\"Tool.exe\"/><File name=\"Help\\Tool.htm\" destinaton=\"\\A\" flag=\"1\"/>"
          "<File name=\"Data.gz\"/>",
          "")),
      (Lines{"0:0 note unused-entry", "1:53 note exe-not-in-package", "3:7 error wrong-case",
             "3:51 error typo", "3:67 note unknown-attribute"}));
  // The names of file entries and actions themselves carry no meaning.
  EXPECT_EQ(
      Lint(Script("<file name=\"Tool.exe\"/><Files name=\"Help\\Tool.htm\"/><x name=\"Data.gz\"/>",
                  "")),
      Lines{});
}

TEST(ScriptLintTest, EventsAndTypes) {
  const auto action = [](const std::string& attributes) {
    return Lint(Script(kFiles, "<A " + attributes + "/>"));
  };
  EXPECT_EQ(action("event=\"Install.after\" type=\"App.CloseAllKelmoraApps\""),
            (Lines{"8:4 error wrong-case"}));
  EXPECT_EQ(action("event=\"Instal.After\" type=\"App.CloseAllKelmoraApps\""),
            (Lines{"8:4 error typo"}));
  EXPECT_EQ(action("event=\"Install.Done\" type=\"App.CloseAllKelmoraApps\""),
            (Lines{"8:4 error unknown-event"}));
  EXPECT_EQ(action("type=\"App.CloseAllKelmoraApps\""), (Lines{"8:1 error no-event"}));
  EXPECT_EQ(action("Event=\"Install.After\" type=\"App.CloseAllKelmoraApps\""),
            (Lines{"8:4 error wrong-case"}));
  EXPECT_EQ(action("event=\"Install.After\""), (Lines{"8:1 error no-type"}));
  EXPECT_EQ(action("event=\"Install.After\" type=\"App.run\" target=\"a\""),
            (Lines{"8:26 error wrong-case"}));
  EXPECT_EQ(action("event=\"Install.After\" type=\"Product.Unpak\" filename=\"a\""),
            (Lines{"8:26 error typo"}));
  EXPECT_EQ(action("event=\"Install.After\" type=\"App.Start\""),
            (Lines{"8:26 error unknown-type"}));
}

TEST(ScriptLintTest, AttributesAnActionNeeds) {
  const auto action = [](const std::string& attributes) {
    return Lint(Script(kFiles, "<A event=\"Install.After\" " + attributes + "/>"));
  };
  EXPECT_EQ(action("type=\"App.Run\""), (Lines{"8:1 error missing-attribute"}));
  EXPECT_EQ(action("type=\"App.Close\""), (Lines{"8:1 warning missing-attribute"}));
  EXPECT_EQ(action("type=\"Shortcut.Create\" target=\"a\""),
            (Lines{"8:1 error missing-attribute"}));
  EXPECT_EQ(
      Message(Script(kFiles, "<A event=\"Install.After\" type=\"Shortcut.Create\" target=\"a\"/>"),
              "missing-attribute"),
      "Shortcut.Create without shortcutFilename: no shortcut is made");
  // A misspelt attribute is reported once, as what it nearly is.
  EXPECT_EQ(action("type=\"Product.Unpack\" fileName=\"a\""), (Lines{"8:48 error wrong-case"}));
  EXPECT_EQ(action("type=\"App.Close\" windowTitle=\"T\" target=\"x\""),
            (Lines{"8:59 note unknown-attribute"}));
  EXPECT_EQ(action("type=\"App.Close\" windowTitle=\"T\" type=\"App.Run\""),
            (Lines{"8:59 warning duplicate-attribute"}));
}

TEST(ScriptLintTest, RegistryKeysAndNumbers) {
  const auto write = [](const std::string& attributes) {
    return Lint(Script(
        kFiles, "<A event=\"Install.After\" type=\"Registry.WriteValue\" " + attributes + "/>"));
  };
  EXPECT_EQ(write("key=\"HKLM\\S\" value=\"v\""), Lines{});
  EXPECT_EQ(write("key=\"hklm\\S\" value=\"v\""), (Lines{"8:53 error registry-root"}));
  EXPECT_EQ(write("key=\"HKEY_LOCAL_MACHINE\\S\" value=\"v\""),
            (Lines{"8:53 error registry-root"}));
  EXPECT_EQ(write("key=\"HKLM\" value=\"v\""), (Lines{"8:53 error registry-key"}));
  EXPECT_EQ(write("key=\"HKLM\\S\""), (Lines{"8:1 warning missing-attribute"}));
  EXPECT_EQ(write("key=\"HKLM\\S\" dataType=\"DWORD\" value=\"1\""),
            (Lines{"8:66 error wrong-case"}));
  EXPECT_EQ(write("key=\"HKLM\\S\" dataType=\"dword\" value=\"+7\""), Lines{});
  EXPECT_EQ(write("key=\"HKLM\\S\" dataType=\"dword\" value=\"42abc\""),
            (Lines{"8:83 error dword-not-decimal"}));
  EXPECT_EQ(
      Message(Script(kFiles,
                     "<A event=\"Install.After\" type=\"Registry.WriteValue\" key=\"HKLM\\S\" "
                     "dataType=\"dword\" value=\" 42abc\"/>"),
              "dword-not-decimal"),
      "' 42abc' is not a decimal number: the updater writes 42");
  EXPECT_EQ(write("key=\"HKLM\\S\" dataType=\"dword\" value=\"4294967295\""),
            (Lines{"8:83 warning dword-out-of-range"}));
}

TEST(ScriptLintTest, Macros) {
  EXPECT_EQ(Lint(Script(kFiles, "", "<AppPath>{programFiles}\\Tool</AppPath>")),
            (Lines{"1:15 error wrong-case"}));
  EXPECT_EQ(Lint(Script(kFiles, "", "<AppPath>{ProgramFile}\\Tool</AppPath>")),
            (Lines{"1:15 error typo"}));
  EXPECT_EQ(Lint(Script(kFiles, "", "<AppPath>%ProgramFiles%\\Tool</AppPath>")),
            (Lines{"1:15 error unknown-macro"}));
  EXPECT_EQ(Lint(Script(kFiles, "", "<AppPath>{Storage}\\Tool</AppPath>")),
            (Lines{"1:15 warning unknown-macro"}));
  // "%AppPath%" is not replaced inside AppPath itself, nor where nothing is expanded.
  EXPECT_EQ(Lint(Script(kFiles, "", "<AppPath>%AppPath%\\Tool</AppPath>")).front(),
            "1:15 note macro-not-expanded");
  EXPECT_EQ(
      Message(Script(kFiles,
                     "<A event=\"Install.After\" type=\"App.Run\" target=\"%AppPath%\\Tool.exe\" "
                     "args=\"%AppPath%\\x\"/>"),
              "macro-not-expanded"),
      "'%AppPath%' is not replaced in args: it is kept as written");
  EXPECT_EQ(Lint(Script(
                "<File name=\"Tool.exe\" destination=\"%apppath%\"/><File name=\"Help\\Tool.htm\"/>"
                "<File name=\"Data.gz\"/>",
                "")),
            (Lines{"1:53 note exe-not-in-package", "3:23 error wrong-case"}));
}

TEST(ScriptLintTest, FileEntriesAgainstThePackage) {
  const auto files = [](const std::string& entries,
                        const std::vector<EntryInfo>& package = kEntries) {
    return Lint(Script(entries, "", "<AppPath>\\Tool</AppPath>"), package);
  };
  const std::string rest = "<File name=\"Help\\Tool.htm\"/><File name=\"Data.gz\"/>";
  EXPECT_EQ(files("<File name=\"tool.exe\"/>" + rest),
            (Lines{"0:0 note unused-entry", "3:7 error wrong-case"}));
  EXPECT_EQ(
      files("<File name=\"Tool.exe\"/><File name=\"Help/Tool.htm\"/><File name=\"Data.gz\"/>"),
      (Lines{"0:0 note unused-entry", "3:30 error unknown-entry"}));
  EXPECT_EQ(files("<File name=\"Other.exe\"/>" + rest),
            (Lines{"0:0 note unused-entry", "3:7 error unknown-entry"}));
  EXPECT_EQ(files("<File name=\"" + std::string(68, 'x') + "\"/>" + rest),
            (Lines{"0:0 note unused-entry", "3:7 error entry-name-too-long"}));
  EXPECT_EQ(files("<File destination=\"\\A\"/>" + rest),
            (Lines{"0:0 note unused-entry", "3:1 warning missing-attribute"}));
  EXPECT_EQ(
      files(kFiles,
            {{"InstallScript.xml"}, {"Tool.exe"}, {"Help\\Tool.htm"}, {"Data.gz"}, {"Tool.exe"}}),
      (Lines{"0:0 warning duplicate-entry"}));
  EXPECT_EQ(
      files(kFiles, {{"InstallScript.xml"}, {"Tool.exe", true}, {"Help\\Tool.htm"}, {"Data.gz"}}),
      (Lines{"3:7 error scrambled-entry"}));
  EXPECT_EQ(files("<File name=\"a:b\"/>" + rest,
                  {{"a:b"}, {"Help\\Tool.htm"}, {"Data.gz"}, {"Tool.exe"}}),
            (Lines{"0:0 note unused-entry", "3:7 error unwritable-path"}));
  EXPECT_EQ(files("<File name=\"~upd7.tmp\"/>" + rest,
                  {{"~upd7.tmp"}, {"Help\\Tool.htm"}, {"Data.gz"}, {"Tool.exe"}}),
            (Lines{"0:0 note unused-entry", "3:7 error staging-name"}));
  EXPECT_EQ(files("<File name=\"a\x81\"/>" + rest,
                  {{"a\x81"}, {"Help\\Tool.htm"}, {"Data.gz"}, {"Tool.exe"}}),
            (Lines{"0:0 note unused-entry", "3:7 error entry-name-charset"}));
}

TEST(ScriptLintTest, NestedProductsAndTheProductsExecutable) {
  const auto unpack = [](const std::string& event, const std::string& path,
                         std::vector<NestedPackage>* nested) {
    return Lint(Script(kFiles, "<A event=\"" + event + "\" type=\"Product.Unpack\" filename=\"" +
                                   path + "\"/>"),
                kEntries, nested);
  };
  std::vector<NestedPackage> nested;
  EXPECT_EQ(unpack("Install.After", "%AppPath%\\UPDATES\\data.gz", &nested), Lines{});
  ASSERT_EQ(nested.size(), 1u);
  EXPECT_EQ(nested[0].entryName, "Data.gz");
  EXPECT_EQ(nested[0].fileName, "data.gz");
  nested.clear();
  EXPECT_EQ(unpack("Install.Before", "%AppPath%\\Updates\\Data.gz", &nested),
            (Lines{"8:49 warning unpack-before-files"}));
  EXPECT_EQ(unpack("Install.After", "\\Temp\\Other.gz", &nested),
            (Lines{"8:48 note unpack-not-in-package"}));
  // An action of no event the run knows never runs: its product is not followed.
  EXPECT_EQ(unpack("Setup.Done", "%AppPath%\\Updates\\Data.gz", &nested),
            (Lines{"8:4 error unknown-event"}));
  EXPECT_TRUE(nested.empty());
  EXPECT_EQ(Message(Script(kFiles, "", "<AppPath>\\Tool</AppPath><Exe>Run.exe</Exe>"),
                    "exe-not-in-package"),
            "the product's executable '\\Tool\\Run.exe' is not written by this package: it starts "
            "only if the "
            "device already has it");
}

TEST(ScriptLintTest, Utf8ScriptsAreReadAsWindows1252) {
  EXPECT_EQ(
      Message("<Installation><AppPath>\\Caf\xC3\xA9</AppPath></Installation><Files/><Actions/>",
              "utf8-script", {}),
      "the script is UTF-8, but the updater reads each byte as one Windows-1252 character: "
      "'\xC3\xA9' "
      "reads as '\xC3\x83\xC2\xA9' (save the script as Windows-1252)");
  // Windows-1252 text is not UTF-8: nothing to say.
  EXPECT_EQ(Message("<Installation><AppPath>\\Caf\xE9</AppPath></Installation><Files/><Actions/>",
                    "utf8-script", {}),
            "");
}

TEST(ScriptLintTest, PlacesCountLinesAndBytes) {
  Findings findings;
  std::vector<NestedPackage> nested;
  LintScript(
      "<Installation/>\r\n<Files/>\r\n<Actions>\r\n\t<A type=\"Nope\" "
      "event=\"Install.After\"/>\r\n</Actions>",
      {{"InstallScript.xml"}}, findings, &nested);
  ASSERT_EQ(findings.all().size(), 1u);
  const Finding& finding = findings.all()[0];
  EXPECT_EQ(finding.line, 4);
  EXPECT_EQ(finding.column, 5);
  EXPECT_EQ(finding.sourceLine, "\t<A type=\"Nope\" event=\"Install.After\"/>");
  EXPECT_EQ(finding.caret, "\t   ^");

  // A long line is shown around the place.
  findings = Findings();
  LintScript("<Installation/><Files/><Actions>" + std::string(200, ' ') +
                 "<A type=\"Nope\" event=\"Install.After\"/>" + std::string(200, ' ') +
                 "</Actions>",
             {{"InstallScript.xml"}}, findings, &nested);
  ASSERT_EQ(findings.all().size(), 1u);
  EXPECT_EQ(findings.all()[0].column, 236);
  EXPECT_EQ(findings.all()[0].sourceLine, "..." + std::string(57, ' ') +
                                              "<A type=\"Nope\" event=\"Install.After\"/>" +
                                              std::string(65, ' ') + "...");
  EXPECT_EQ(findings.all()[0].caret, std::string(63, ' ') + "^");
}

}  // namespace
}  // namespace pkgtool
