// How the updater reads an install script: where it finds the sections, which names it
// knows, and what a script that lacks a part does.
#include <string>
#include <vector>

#include "updater_fixture.h"

namespace e2e {
namespace {

using ScriptTest = UpdaterTest;
using Strings = std::vector<std::string>;

const std::vector<pkg::EntrySource> kFiles = {{"a.txt", "A", false}, {"b.txt", "B", false}};

// An action that leaves a trace in the journal: a start of `\Windows\<name>.exe`.
std::string Mark(std::string_view event, std::string_view name) {
  return "<Mark event=\"" + std::string(event) + "\" type=\"App.Run\" target=\"{Windows}\\" +
         std::string(name) + ".exe\"/>";
}
std::string Marked(std::string_view name) {
  return Missing("\\Windows\\" + std::string(name) + ".exe", "");
}

// ---- Sections --------------------------------------------------------------------------

TEST_F(ScriptTest, SectionsAreFoundAnywhereInTheDocument) {
  Deliver(u"\\Temp\\Tool.gz", {"<Package><Meta><Installation><AppPath>\\Tool</"
                               "AppPath><Exe>Tool.exe</Exe></Installation></Meta>"
                               "<Body><Part><Files><File name=\"a.txt\"/></Files></Part>"
                               "<Actions>" +
                                   Mark("Install.After", "after") + "</Actions></Body></Package>",
                               kFiles});
  Unpack();
  EXPECT_EQ(Files(u"\\Tool"), Strings{"\\Tool\\a.txt"});
  EXPECT_EQ(Events(),
            (Strings{Missing("\\Tool\\Tool.exe", "-firstRun -zandrel"), Marked("after")}));
}

TEST_F(ScriptTest, OfTwoSectionsOfOneNameTheFirstStartTagWins) {
  // The Files inside Installation starts before the top-level one that follows it.
  Deliver(
      u"\\Temp\\Tool.gz",
      {"<Installation><AppPath>\\Tool</AppPath><Files><File name=\"a.txt\"/></Files></Installation>"
       "<Files><File name=\"b.txt\"/></Files>"
       "<Actions>" +
           Mark("Install.Before", "first") +
           "</Actions>"
           "<Actions>" +
           Mark("Install.Before", "second") + "</Actions>",
       kFiles});
  Unpack();
  EXPECT_EQ(Files(u"\\Tool"), Strings{"\\Tool\\a.txt"});
  EXPECT_EQ(Events(), Strings{Marked("first")});
}

TEST_F(ScriptTest, NamesAreCaseSensitive) {
  Deliver(
      u"\\Temp\\A.gz",
      {"<installation><AppPath>\\Lower</AppPath></installation>"
       "<Installation><appPath>\\Lower</appPath><Exe>A.exe</Exe></Installation>"
       "<files><File name=\"a.txt\"/></files><Files><File Name=\"b.txt\"/></Files>"
       "<actions>" +
           Mark("Install.Before", "lower") +
           "</actions>"
           "<Actions>" +
           Mark("install.before", "event") + Mark("Install.After", "after") +
           "<A event=\"Install.After\" type=\"app.run\" target=\"{Windows}\\type.exe\"/></Actions>",
       kFiles});
  Unpack();
  // No AppPath: the product starts from the root folder; no file entry has a `name`.
  EXPECT_EQ(Events(), (Strings{Missing("A.exe", "-firstRun -zandrel"), Marked("after")}));
  EXPECT_EQ(Files(u"\\Temp"), Strings{});
  EXPECT_FALSE(Exists(u"\\Lower"));
  EXPECT_FALSE(Exists(u"\\a.txt"));
  EXPECT_FALSE(Exists(u"\\b.txt"));
}

TEST_F(ScriptTest, ACommentSwallowsTheEntriesAndActionsAfterIt) {
  Deliver(u"\\Temp\\Tool.gz",
          {Script("\\Tool", "",
                  R"(<File name="a.txt"/><!-- the next entry is taken in --><File name="b.txt"/>)",
                  Mark("Install.Before", "before") + "<!-- note -->" +
                      Mark("Install.Before", "hidden")),
           kFiles});
  Unpack();
  EXPECT_EQ(Files(u"\\Tool"), Strings{"\\Tool\\a.txt"});
  EXPECT_EQ(Events(), Strings{Marked("before")});
}

// ---- Missing parts ---------------------------------------------------------------------

TEST_F(ScriptTest, AMissingSectionIsEmpty) {
  Deliver(u"\\Temp\\A.gz", {R"(<Files><File name="a.txt"/></Files>)", kFiles});
  Deliver(u"\\Temp\\B.gz", {"<Actions>" + Mark("Install.Before", "b") + "</Actions>", kFiles});
  Deliver(u"\\Temp\\C.gz",
          {"<Installation><AppPath>\\C</AppPath><Exe>C.exe</Exe></Installation>", kFiles});
  Deliver(u"\\Temp\\D.gz", {"", kFiles});
  Deliver(u"\\Temp\\E.gz", {"this is not XML at all", kFiles});
  Unpack();
  EXPECT_EQ(Read(u"\\a.txt"), "A");  // no application folder: the root
  EXPECT_EQ(Events(), (Strings{Marked("b"), Missing("\\C\\C.exe", "-firstRun -zandrel")}));
  EXPECT_FALSE(Exists(u"\\C"));
  EXPECT_EQ(Files(u"\\Temp"), Strings{});
}

TEST_F(ScriptTest, AppPathAndExeAreChildElementsOfInstallation) {
  Deliver(
      u"\\Temp\\Tool.gz",
      {R"(<Installation AppPath="\Attr"><Exe>%AppPath%\Tool.exe</Exe></Installation>)"
       R"(<Files><File name="a.txt"/></Files>)"
       R"(<Actions><A event="Install.After" type="App.Run" target="%AppPath%\b.exe"/></Actions>)",
       kFiles});
  Unpack();
  // The attribute is no AppPath, and Exe is taken as written.
  EXPECT_EQ(Read(u"\\a.txt"), "A");
  EXPECT_EQ(Events(), (Strings{Missing("%AppPath%\\Tool.exe", "-firstRun -zandrel"),
                               Missing("\\b.exe", "")}));
}

TEST_F(ScriptTest, ReferencesAreDecodedInElementTextButNotInAttributes) {
  Deliver(
      u"\\Temp\\Tool.gz",
      {Script("\\Fish &amp; Chips", "",
              R"(<File name="a.txt"/><File name="b.txt" destination="\Salt &amp; Vinegar"/>)", ""),
       kFiles});
  Unpack();
  EXPECT_EQ(Files(u"\\Fish & Chips"), Strings{"\\Fish & Chips\\a.txt"});
  EXPECT_EQ(Files(u"\\Salt &amp; Vinegar"), Strings{"\\Salt &amp; Vinegar\\b.txt"});
}

}  // namespace
}  // namespace e2e
