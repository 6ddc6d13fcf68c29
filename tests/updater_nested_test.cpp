// "Product.Unpack": a product installs another delivered product in the middle of its
// own installation, completely, before its run goes on.
#include <algorithm>
#include <string>
#include <vector>

#include "updater_fixture.h"

namespace e2e {
namespace {

using NestedTest = UpdaterTest;
using Strings = std::vector<std::string>;

// The nested product of these tests: \Inner\Inner.exe, started as every product is,
// then `afterActions`.
Product Inner(std::string_view afterActions = "") {
  return {Script("\\Inner", "Inner.exe", R"(<File name="Inner.exe"/>)", afterActions),
          {{"Inner.exe", "inner", false}}};
}

TEST_F(NestedTest, EachScriptResolvesAppPathWithItsOwnApplicationFolder) {
  Deliver(u"\\Temp\\Outer.gz",
          {Script("\\Outer", "", R"(<File name="Inner.gz" destination="%AppPath%\Updates"/>)",
                  After("Product.Unpack", R"(filename="%AppPath%\Updates\Inner.gz")") +
                      After("App.Run", R"(target="%AppPath%\outer.exe")")),
           {{"Inner.gz",
             DeliveryBytes("Inner.gz", Inner(After("App.Run", R"(target="%AppPath%\Inner.exe")"))),
             false}}});
  Unpack();
  EXPECT_EQ(Events(),
            (Strings{Started("\\Inner\\Inner.exe", "-firstRun -zandrel"),
                     Started("\\Inner\\Inner.exe", ""), Missing("\\Outer\\outer.exe", "")}));
  EXPECT_EQ(Files(u"\\Inner"), Strings{"\\Inner\\Inner.exe"});
  // The nested delivered file and its package are gone; their folder stays.
  EXPECT_EQ(Files(u"\\Outer"), Strings{});
  EXPECT_TRUE(Exists(u"\\Outer\\Updates"));
  EXPECT_EQ(Files(u"\\Temp"), Strings{});
}

TEST_F(NestedTest, ANestedProductUnpackedBeforeTheFilesPassIsCompleteBeforeIt) {
  device_.WriteFile(
      u"\\Temp\\Parts\\Inner.gz",
      DeliveryBytes("Inner.gz",
                    Inner(After("App.Run", R"(target="\Outer\Outer.exe" args="from inner")"))));
  Deliver(u"\\Temp\\Outer.gz",
          {Script("\\Outer", "Outer.exe", R"(<File name="Outer.exe"/>)",
                  Before("Product.Unpack", R"(filename="\Temp\Parts\Inner.gz")") +
                      Before("App.Run", R"(target="%AppPath%\Outer.exe" args="from outer")")),
           {{"Outer.exe", "outer", false}}});
  Unpack();
  EXPECT_EQ(Events(), (Strings{Started("\\Inner\\Inner.exe", "-firstRun -zandrel"),
                               Missing("\\Outer\\Outer.exe", "from inner"),
                               Missing("\\Outer\\Outer.exe", "from outer"),
                               Started("\\Outer\\Outer.exe", "-firstRun -zandrel")}));
  EXPECT_EQ(Files(u"\\Temp"), Strings{});
}

TEST_F(NestedTest, ANestedScriptThatFitsOnlyAloneWaitsWithItsDelivery) {
  // Trees of about 25 MiB each, from texts of 600 KiB: the loaded scripts may take 40 MiB
  // together (on this 64-bit host), so the inner one does not fit beside the outer one.
  std::string many;
  for (int i = 0; i < 150'000; ++i) many += "<a/>";
  Deliver(
      u"\\Temp\\Outer.gz",
      {many + Script("\\Outer", "", R"(<File name="Inner.gz"/>)",
                     After("Product.Unpack", R"(filename="%AppPath%\Inner.gz")")),
       {{"Inner.gz", DeliveryBytes("Inner.gz", {many + Inner().script, Inner().files}), false}}});
  Unpack();
  EXPECT_EQ(Events(), Strings{});  // the inner product was not begun
  // Its delivery waits where it is, whole; nothing was expanded or set aside.
  EXPECT_EQ(Files(u"\\Outer"), Strings{"\\Outer\\Inner.gz"});
  EXPECT_EQ(Files(u"\\Temp"), Strings{});
  // Alone, at the top level of a later run, it fits.
  Unpack("\\Outer");
  EXPECT_EQ(Events(), Strings{Started("\\Inner\\Inner.exe", "-firstRun -zandrel")});
  EXPECT_EQ(Files(u"\\Outer"), Strings{});
}

TEST_F(NestedTest, ADeliveryBesideTheOuterOneIsInstalledOnlyOnce) {
  // Both are listed before the first installation; B's turn comes after A unpacked it.
  Deliver(u"\\Temp\\B.gz", Inner());
  Deliver(u"\\Temp\\A.gz",
          {Script("\\A", "", "", Before("Product.Unpack", R"(filename="\Temp\B.gz")"))});
  Unpack();
  EXPECT_EQ(Events(), Strings{Started("\\Inner\\Inner.exe", "-firstRun -zandrel")});
  EXPECT_EQ(Files(u"\\Temp"), Strings{});
}

TEST_F(NestedTest, AFileThatIsNotThereDoesNothing) {
  Deliver(u"\\Temp\\Outer.gz",
          {Script("\\Outer", "", "",
                  Before("Product.Unpack", R"(filename="%AppPath%\Missing.gz")") +
                      Before("Product.Unpack") + Before("Product.Unpack", R"(filename="\Temp")") +
                      After("App.Run", R"(target="{Windows}\after.exe")"))});
  Unpack();
  EXPECT_EQ(Events(), Strings{Missing("\\Windows\\after.exe", "")});
}

TEST_F(NestedTest, ADeliveryWithoutExtensionIsKeptAndNothingOfItInstalled) {
  // Its package path would be the delivered file itself.
  device_.WriteFile(u"\\Temp\\Parts\\Inner", DeliveryBytes("Inner", Inner()));
  Deliver(u"\\Temp\\Outer.gz",
          {Script("\\Outer", "", "", Before("Product.Unpack", R"(filename="\Temp\Parts\Inner")"))});
  Unpack();
  EXPECT_EQ(Events(), Strings{});
  EXPECT_EQ(Files(u"\\Temp"), Strings{"\\Temp\\Parts\\Inner"});
  EXPECT_EQ(Read(u"\\Temp\\Parts\\Inner"), DeliveryBytes("Inner", Inner()));
}

TEST_F(NestedTest, NestingStopsAtSixteenLevels) {
  // Level k writes Lk.txt and, below level 17, carries level k + 1 as L<k+1>.gz, which it
  // unpacks after its files; then it records that its run went on.
  constexpr int kLevels = 18;
  std::string next;
  for (int level = kLevels - 1; level >= 0; --level) {
    const std::string name = "L" + std::to_string(level);
    const std::string nextName = "L" + std::to_string(level + 1) + ".gz";
    const std::string files = "<File name=\"" + name + ".txt\"/><File name=\"" + nextName + "\"/>";
    const std::string actions =
        After("Product.Unpack", "filename=\"%AppPath%\\" + nextName + "\"") +
        After("Registry.WriteValue", R"(key="HKLM\Levels" value="done" valueName=")" + name + "\"");
    Product product{Script("\\Levels", "", files, actions), {{name + ".txt", name, false}}};
    if (level < kLevels - 1) product.files.push_back({nextName, next, false});
    next = DeliveryBytes(name + ".gz", product);
  }
  device_.WriteFile(u"\\Temp\\L0.gz", next);
  Unpack();

  // Level 0 is installed by the updater itself, levels 1 to 16 nested in it; the unpack
  // that would start level 17 does nothing and leaves its delivered file, and level 16
  // goes on with its next action.
  Strings files = {"\\Levels\\L17.gz"};
  std::string values;
  Strings names;
  for (int level = 0; level <= 16; ++level) names.push_back("L" + std::to_string(level));
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    files.push_back("\\Levels\\" + name + ".txt");
    values += "\"" + name + "\"=\"done\"\n";
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(Files(u"\\Levels"), files);
  EXPECT_EQ(
      ExportRegistry(u"HKEY_LOCAL_MACHINE\\Levels"),
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Levels]\n" + values + "\n");
  EXPECT_EQ(Files(u"\\Temp"), Strings{});
}

}  // namespace
}  // namespace e2e
