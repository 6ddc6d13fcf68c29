// The actions that deal with other applications - "App.Run", "App.Close",
// "App.CloseAllKelmoraApps" - and how actions are picked by their event and type.
#include <string>
#include <vector>

#include "updater_fixture.h"

namespace e2e {
namespace {

using Strings = std::vector<std::string>;

using AppRunTest = UpdaterTest;
using AppCloseTest = UpdaterTest;
using ActionChoiceTest = UpdaterTest;

// ---- App.Run ---------------------------------------------------------------------------

TEST_F(AppRunTest, TargetIsExpandedAndArgsArePassedAsWritten) {
  device_.WriteFile(u"\\Windows\\Agent.exe", "agent");
  InstallWithActions(
      After("App.Run", R"(target="%AppPath%\Tool.exe" args="-open %AppPath%\{Windows}")") +
      After("App.Run", R"(target="{Windows}\Agent.exe" args="-register")"));
  EXPECT_EQ(Events(),
            (Strings{Started("\\Program Files\\Tool\\Tool.exe", "-open %AppPath%\\{Windows}"),
                     Started("\\Windows\\Agent.exe", "-register")}));
}

TEST_F(AppRunTest, AProgramThatIsNotThereDoesNotStopTheRun) {
  InstallWithActions(Before("App.Run", R"(target="{Windows}\Missing.exe" args="x")") +
                     Before("App.Run") + After("App.Run", R"(target="%AppPath%\Tool.exe")"));
  EXPECT_EQ(Events(), (Strings{Missing("\\Windows\\Missing.exe", "x"), Missing("", ""),
                               Started("\\Program Files\\Tool\\Tool.exe", "")}));
  EXPECT_EQ(Files(u"\\Program Files"), Strings{"\\Program Files\\Tool\\Tool.exe"});
}

// ---- App.Close and App.CloseAllKelmoraApps ---------------------------------------------

TEST_F(AppCloseTest, ClosesTheFirstWindowWhoseTitleMatchesIgnoringCase) {
  AddWindow(u"Kelmora Notes Help");
  AddWindow(u"Kelmora Notes", u"NotesMain");
  AddWindow(u"KELMORA NOTES", u"Other");
  InstallWithActions(Before("App.Close", R"(windowTitle="kelmora notes")"));
  EXPECT_EQ(Events(), Strings{"message 16 to \"Kelmora Notes\""});
}

TEST_F(AppCloseTest, LettersOutsideAsciiMatchIgnoringCaseToo) {
  AddWindow(u"Caf\u00e9 Notes");
  InstallWithActions(Before("App.Close", "windowTitle=\"CAF\xC9 NOTES\""));  // CP1252
  EXPECT_EQ(Events(), Strings{"message 16 to \"Caf\u00e9 Notes\""});
}

TEST_F(AppCloseTest, ATitleNoWindowHasDoesNothing) {
  AddWindow(u"Kelmora Notes");
  InstallWithActions(Before("App.Close", R"(windowTitle="Kelmora")") + Before("App.Close"));
  EXPECT_EQ(Events(), Strings{});
}

TEST_F(AppCloseTest, WithoutWindowTitleAWindowWithAnEmptyTitleIsClosed) {
  AddWindow(u"Kelmora Notes");
  AddWindow(u"");
  InstallWithActions(Before("App.Close"));
  EXPECT_EQ(Events(), Strings{"message 16 to \"\""});
}

TEST_F(AppCloseTest, CloseAllKelmoraAppsBroadcastsTheRegisteredCloseRequest) {
  AddWindow(u"Kelmora Notes");
  InstallWithActions(Before("App.CloseAllKelmoraApps"));
  // The journal names a message when its number is the one registered for that name.
  EXPECT_EQ(Events(), Strings{"broadcast Kelmora.CloseApp"});
}

// ---- Which actions run -----------------------------------------------------------------

TEST_F(ActionChoiceTest, AnActionNeedsAnEventAndAKnownTypeWrittenExactly) {
  InstallWithActions(R"(<A type="App.CloseAllKelmoraApps"/>)"
                     R"(<A event="Install.Before"/>)"
                     R"(<A event="Install.Before" type=""/>)"
                     R"(<A event="Install.Before" type="app.run" target="%AppPath%\Tool.exe"/>)"
                     R"(<A event="Install.Before" type="App.Run " target="%AppPath%\Tool.exe"/>)"
                     R"(<A event="Install.Before" type="Unknown.Type"/>)"
                     R"(<A event="install.after" type="App.CloseAllKelmoraApps"/>)"
                     R"(<A event="Install.During" type="App.CloseAllKelmoraApps"/>)" +
                     After("App.Run", R"(target="%AppPath%\Tool.exe" args="last")"));
  EXPECT_EQ(Events(), Strings{Started("\\Program Files\\Tool\\Tool.exe", "last")});
}

TEST_F(ActionChoiceTest, ActionsOfOneEventRunInDocumentOrderWhateverTheirElementName) {
  AddWindow(u"One");
  AddWindow(u"Two");
  InstallWithActions(R"(<Close event="Install.Before" type="App.Close" windowTitle="Two"/>)"
                     R"(<Anything event="Install.After" type="App.Close" windowTitle="One"/>)"
                     R"(<Step event="Install.Before" type="App.Close" windowTitle="One"/>)" +
                     After("App.Close", R"(windowTitle="Two")"));
  EXPECT_EQ(Events(), (Strings{"message 16 to \"Two\"", "message 16 to \"One\"",
                               "message 16 to \"One\"", "message 16 to \"Two\""}));
}

}  // namespace
}  // namespace e2e
