// "Registry.WriteValue" and "Product.Run": values written by scripts, and installed
// products found through their version records.
#include <string>
#include <vector>

#include "updater_fixture.h"

namespace e2e {
namespace {

using Strings = std::vector<std::string>;

using WriteValueTest = UpdaterTest;
using ProductRunTest = UpdaterTest;

// ---- Registry.WriteValue ---------------------------------------------------------------

TEST_F(WriteValueTest, DwordValuesAreReadAsDecimalNumbers) {
  InstallWithActions(
      After("Registry.WriteValue",
            R"(key="HKLM\Software\Tool" valueName="Digits" dataType="dword" value="42abc")") +
      After("Registry.WriteValue",
            R"(key="HKLM\Software\Tool" valueName="Letters" dataType="dword" value="abc")") +
      After("Registry.WriteValue",
            R"(key="HKLM\Software\Tool" valueName="Missing" dataType="dword")") +
      After("Registry.WriteValue",
            R"(key="HKLM\Software\Tool" valueName="Signed" dataType="dword" value="  -12")") +
      After("Registry.WriteValue",
            R"(key="HKLM\Software\Tool" valueName="Upper" dataType="DWORD" value="7")"));
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, u"\\Software\\Tool", u"Digits"), "dword:42");
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, u"\\Software\\Tool", u"Letters"), "dword:0");
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, u"\\Software\\Tool", u"Missing"), "dword:0");
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, u"\\Software\\Tool", u"Signed"), "dword:-12");
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, u"\\Software\\Tool", u"Upper"), "sz:\"7\"");
}

TEST_F(WriteValueTest, TextIsWrittenWithOneZeroCharacter) {
  InstallWithActions(
      After("Registry.WriteValue", R"(key="HKCU\Software\Tool" valueName="Three" value="abc")") +
      After("Registry.WriteValue", R"(key="HKCU\Software\Tool" valueName="None")") +
      After("Registry.WriteValue",
            R"(key="HKCU\Software\Tool" valueName="Other" dataType="text" value="caf&#233;")"));
  EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, u"\\Software\\Tool", u"Three"),
            std::string("a\0b\0c\0\0\0", 8));
  EXPECT_EQ(Value(HKEY_CURRENT_USER, u"\\Software\\Tool", u"Three"), "sz:\"abc\"");
  EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, u"\\Software\\Tool", u"None"), std::string("\0\0", 2));
  EXPECT_EQ(Value(HKEY_CURRENT_USER, u"\\Software\\Tool", u"Other"), "sz:\"caf&#233;\"");
}

TEST_F(WriteValueTest, AKeyMustBeginWithAnUpperCaseRootWordAndHaveMore) {
  InstallWithActions(
      After("Registry.WriteValue", R"(key="HKLM" valueName="a" value="1")") +
      After("Registry.WriteValue", R"(key="HKL" valueName="a" value="1")") +
      After("Registry.WriteValue", R"(valueName="a" value="1")") +
      After("Registry.WriteValue", R"(key="hklm\Software\Tool" valueName="a" value="1")") +
      After("Registry.WriteValue", R"(key="HKCR\Software\Tool" valueName="a" value="1")") +
      After("Registry.WriteValue",
            R"(key="HKEY_LOCAL_MACHINE\Software\Tool" valueName="a" value="1")"));
  EXPECT_EQ(ExportRegistry(), "Windows Registry Editor Version 5.00\n\n");  // empty
}

TEST_F(WriteValueTest, TheKeyPathIsEverythingAfterTheRootWord) {
  InstallWithActions(After("Registry.WriteValue", R"(key="HKLM\A" valueName="short" value="1")") +
                     After("Registry.WriteValue", R"(key="HKCUB" valueName="joined" value="2")"));
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, u"\\A", u"short"), "sz:\"1\"");
  EXPECT_EQ(Value(HKEY_CURRENT_USER, u"\\B", u"joined"), "sz:\"2\"");
}

TEST_F(WriteValueTest, AnAbsentOrEmptyValueNameWritesTheDefaultValue) {
  InstallWithActions(After("Registry.WriteValue", R"(key="HKLM\Software\A" value="absent")") +
                     After("Registry.WriteValue",
                           R"(key="HKLM\Software\B" valueName="" dataType="dword" value="5")"));
  EXPECT_EQ(ExportRegistry(u"HKEY_LOCAL_MACHINE\\Software"),
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_LOCAL_MACHINE\\Software]\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\A]\n@=\"absent\"\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\B]\n@=dword:00000005\n\n");
}

TEST_F(WriteValueTest, NothingIsExpanded) {
  InstallWithActions(After(
      "Registry.WriteValue",
      R"(key="HKLM\Software\%AppPath%" valueName="{Windows}" value="%AppPath%\{ProgramFiles}")"));
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, u"\\Software\\%AppPath%", u"{Windows}"),
            "sz:\"%AppPath%\\{ProgramFiles}\"");
}

// ---- Product.Run -----------------------------------------------------------------------

TEST_F(ProductRunTest, WithAVersionThatVersionsRecordIsUsed) {
  ImportRegistry(
      "REGEDIT4\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Notes]\n\"LastAccessedVersion\"=\"2.0\"\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Notes\\1.0]\n"
      "\"InstallPath\"=\"\\\\Program Files\\\\Notes 1\"\n\"Exe\"=\"Notes.exe\"\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Notes\\2.0]\n"
      "\"InstallPath\"=\"\\\\Program Files\\\\Notes 2\\\\\"\n\"Exe\"=\"Notes.exe\"\n");
  device_.WriteFile(u"\\Program Files\\Notes 1\\Notes.exe", "1");
  InstallWithActions(After("Product.Run", R"(id="Notes" version="1.0")") +
                     After("Product.Run", R"(id="Notes")") +
                     After("Product.Run", R"(id="Notes" version="")"));
  EXPECT_EQ(Events(), (Strings{Started("\\Program Files\\Notes 1\\Notes.exe", ""),
                               Missing("\\Program Files\\Notes 2\\Notes.exe", ""),
                               Missing("\\Program Files\\Notes 2\\Notes.exe", "")}));
}

TEST_F(ProductRunTest, ARecordWrittenByTheScriptIsReadBackWhole) {
  // Texts of three characters (8 bytes with the zero), and a long one.
  const std::string longPath = "\\Program Files\\" + std::string(300, 'p');
  InstallWithActions(
      Before("Registry.WriteValue",
             R"(key="HKLM\Software\Kelmora\Tool" valueName="LastAccessedVersion" value="3.0")") +
      Before("Registry.WriteValue",
             R"(key="HKLM\Software\Kelmora\Tool\3.0" valueName="InstallPath" value="\Ab")") +
      Before("Registry.WriteValue",
             R"(key="HKLM\Software\Kelmora\Tool\3.0" valueName="Exe" value="T.x")") +
      Before("Registry.WriteValue",
             R"(key="HKLM\Software\Kelmora\Long\1" valueName="InstallPath" value=")" + longPath +
                 "\"") +
      Before("Registry.WriteValue",
             R"(key="HKLM\Software\Kelmora\Long\1" valueName="Exe" value="Long.exe")") +
      After("Product.Run", R"(id="Tool")") + After("Product.Run", R"(id="Long" version="1")"));
  EXPECT_EQ(Events(), (Strings{Missing("\\Ab\\T.x", ""), Missing(longPath + "\\Long.exe", "")}));
}

TEST_F(ProductRunTest, AnIncompleteRecordStartsNothing) {
  ImportRegistry(
      "REGEDIT4\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\PathOnly\\1.0]\n\"InstallPath\"=\"\\\\Windows\"\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\ExeOnly\\1.0]\n\"Exe\"=\"a.exe\"\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Blank\\1.0]\n"
      "\"InstallPath\"=\"\"\n\"Exe\"=\"a.exe\"\n");
  InstallWithActions(After("Product.Run", R"(id="PathOnly" version="1.0")") +
                     After("Product.Run", R"(id="ExeOnly" version="1.0")") +
                     After("Product.Run", R"(id="Blank" version="1.0")"));
  EXPECT_EQ(Events(), Strings{});
}

TEST_F(ProductRunTest, LookingUpAProductWithoutRecordLeavesEmptyKeysBehind) {
  InstallWithActions(After("Product.Run", R"(id="Ghost")") +
                     After("Product.Run", R"(id="Spirit" version="9.9")") + After("Product.Run"));
  EXPECT_EQ(Events(), Strings{});
  EXPECT_EQ(ExportRegistry(u"HKEY_LOCAL_MACHINE\\Software\\Kelmora"),
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Kelmora]\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Ghost]\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Spirit]\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Spirit\\9.9]\n\n");
}

}  // namespace
}  // namespace e2e
