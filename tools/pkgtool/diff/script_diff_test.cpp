#include "diff/script_diff.h"

#include <gtest/gtest.h>

#include <string>

#include "diff/diff_report.h"

namespace pkgtool {
namespace {

// The "script" section of the report on the two scripts ("" when they do not differ).
std::string ScriptSection(const std::string& before, const std::string& after) {
  PackageDiff diff;
  bool complete = false;
  diff.script = DiffScripts(before, after, &complete);
  EXPECT_TRUE(complete);
  std::string text = DiffText(diff);
  text.erase(text.rfind("entries: "));
  return text;
}

struct Row {
  const char* what;
  std::string before;
  std::string after;
  std::string expected;
};

TEST(ScriptDiffTest, ChangesByElement) {
  const std::string files = "<Files><File name=\"a.exe\"/><File name=\"b.txt\"/></Files>";
  const std::string registry =
      "<Action event=\"Install.After\" type=\"Registry.WriteValue\" key=\"HKLM\\S\" "
      "valueName=\"V\" value=\"1.0\"/>";
  const std::string run =
      "<Action event=\"Install.After\" type=\"App.Run\" target=\"%AppPath%\\a.exe\"/>";
  const std::string close = "<Action event=\"Install.Before\" type=\"App.CloseAllKelmoraApps\"/>";
  const Row rows[] = {
      {"the same tree, written otherwise", files + "\n<Actions>" + run + "</Actions>",
       "  " + files + "<Actions>\n  " + run + "\n</Actions>", ""},
      {"text of an element", "<Installation><AppPath>{ProgramFiles}\\A</AppPath></Installation>",
       "<Installation><AppPath>{ProgramFiles}\\B</AppPath></Installation>",
       "script\n  changed  Installation/AppPath\n"
       "             text: \"{ProgramFiles}\\A\" -> \"{ProgramFiles}\\B\"\n"},
      {"file entries are matched by name, in the new order",
       "<Files><File name=\"a.exe\"/><File name=\"old.dll\"/><File name=\"b.txt\"/></Files>",
       "<Files><File name=\"new.dll\"/><File name=\"a.exe\"/><File name=\"b.txt\"/></Files>",
       "script\n  added    Files/File[name=\"new.dll\"]\n"
       "  removed  Files/File[name=\"old.dll\"]\n"},
      {"a new destination is another file entry",
       "<Files><File name=\"a.exe\" destination=\"\\A\"/></Files>",
       "<Files><File name=\"a.exe\" destination=\"\\B\"/></Files>",
       "script\n  added    Files/File[name=\"a.exe\" destination=\"\\B\"]\n"
       "  removed  Files/File[name=\"a.exe\" destination=\"\\A\"]\n"},
      {"a registry value is matched by key and name, whatever it writes",
       "<Actions>" + registry + "</Actions>",
       "<Actions><Action event=\"Install.After\" type=\"Registry.WriteValue\" key=\"HKLM\\S\" "
       "valueName=\"V\" value=\"2.0\" dataType=\"dword\"/></Actions>",
       "script\n  changed  Actions/Action[event=\"Install.After\" type=\"Registry.WriteValue\" "
       "key=\"HKLM\\S\" valueName=\"V\"]\n"
       "             value: \"1.0\" -> \"2.0\"\n"
       "             dataType: (none) -> \"dword\"\n"},
      {"arguments of a program change, its target stays",
       "<Actions><Action event=\"Install.After\" type=\"App.Run\" target=\"t\" args=\"-a\"/>"
       "</Actions>",
       "<Actions><Action event=\"Install.After\" type=\"App.Run\" target=\"t\"/></Actions>",
       "script\n  changed  Actions/Action[event=\"Install.After\" type=\"App.Run\" target=\"t\"]\n"
       "             args: \"-a\" -> (none)\n"},
      {"an added action shows what its path does not", "<Actions>" + close + "</Actions>",
       "<Actions>" + close +
           "<Action event=\"Install.Before\" type=\"App.Close\" windowTitle=\"W\" extra/>"
           "</Actions>",
       "script\n  added    Actions/Action[event=\"Install.Before\" type=\"App.Close\" "
       "windowTitle=\"W\"]\n             extra: (no value)\n"},
      {"actions run in another order", "<Actions>" + close + run + "</Actions>",
       "<Actions>" + run + close + "</Actions>",
       "script\n  changed  Actions\n             its elements stand in another order\n"},
      {"elements without an identity are matched in order",
       "<Installation><Exe>a.exe</Exe></Installation>",
       "<Installation><Exe>a.exe</Exe><Exe>b.exe</Exe></Installation>",
       "script\n  added    Installation/Exe[2]\n             text: \"b.exe\"\n"},
      {"a repeated file entry is the second of its name", files,
       "<Files><File name=\"a.exe\"/><File name=\"b.txt\"/><File name=\"a.exe\"/></Files>",
       "script\n  added    Files/File[name=\"a.exe\"][2]\n"},
      {"an added section comes with everything in it", "",
       "<Installation><AppPath>\\A</AppPath></Installation>",
       "script\n  added    Installation\n  added    Installation/AppPath\n"
       "             text: \"\\A\"\n"},
      {"a removed attribute value and a repeated attribute",
       "<Actions><Action event=\"Install.Before\" type=\"App.Close\" windowTitle=\"W\" x=\"1\" "
       "x=\"2\"/></Actions>",
       "<Actions><Action event=\"Install.Before\" type=\"App.Close\" windowTitle=\"W\" x=\"1\" "
       "x/></Actions>",
       "script\n  changed  Actions/Action[event=\"Install.Before\" type=\"App.Close\" "
       "windowTitle=\"W\"]\n             x[2]: \"2\" -> (no value)\n"},
      {"a comment takes in what follows, as the updater reads it",
       "<Files><!-- x --><File name=\"a.exe\"/></Files>", "<Files><File name=\"a.exe\"/></Files>",
       "script\n  added    Files/File[name=\"a.exe\"]\n"
       "  removed  Files/!--\n             x: (no value)\n             --: (no value)\n"
       "  removed  Files/!--/File\n             name: \"a.exe\"\n"},
      {"Windows-1252 text, and line breaks kept on one line",
       "<Installation><AppPath>\\Caf\xE9</AppPath></Installation>",
       "<Installation><AppPath>\\Caf\xE9\n2</AppPath></Installation>",
       "script\n  changed  Installation/AppPath\n"
       "             text: \"\\Caf\xC3\xA9\" -> \"\\Caf\xC3\xA9\\n2\"\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ScriptSection(row.before, row.after), row.expected) << row.what;
  }
}

// JSON keeps apart an attribute that is absent (no key) and one without a value (null).
TEST(ScriptDiffTest, JsonTellsAbsentFromWithoutValue) {
  PackageDiff diff;
  diff.script =
      DiffScripts("<Installation><Exe x/></Installation>",
                  "<Installation><Exe y=\"1\">a.exe</Exe></Installation>", &diff.scriptComplete);
  EXPECT_NE(DiffJson(diff).find("\"script\":[{\"change\":\"changed\",\"path\":\"Installation/Exe\","
                                "\"attributes\":[{\"name\":\"x\",\"before\":null},"
                                "{\"name\":\"y\",\"after\":\"1\"}],\"text\":{\"after\":\"a.exe\"},"
                                "\"reordered\":false}]"),
            std::string::npos)
      << DiffJson(diff);
}

// A hostile script nests elements without end: the walk does not recurse and the paths
// stay short.
TEST(ScriptDiffTest, DeepTreesAreWalkedWithoutRecursion) {
  constexpr int kDepth = 200'000;
  std::string deep;
  for (int i = 0; i < kDepth; ++i) deep += "<a>";
  bool complete = false;
  EXPECT_TRUE(DiffScripts(deep, deep, &complete).empty());
  const std::vector<ElementChange> changes = DiffScripts(deep, deep + "<b/>", &complete);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].change, Change::kAdded);
  EXPECT_EQ(changes[0].path, "a/a/a/a/.../a/a/a/a/a/a/a/b");
  EXPECT_EQ(DiffScripts("", deep, &complete).size(), static_cast<std::size_t>(kDepth));
}

}  // namespace
}  // namespace pkgtool
