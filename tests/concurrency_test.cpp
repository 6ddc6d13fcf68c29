// Several updaters on one device and folder: one at a time installs, the others wait for
// it and then find nothing left, so every delivered product is installed and started
// exactly once, whichever of them installs it.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hostile/deliveries.h"
#include "platform/ce.h"
#include "sqlite_db.h"
#include "testing/temp_device.h"
#include "updater_process.h"

namespace {

constexpr int kProducts = 4;
constexpr int kTrials = test::ScaledTrials(100);  // per number of updaters

std::string Name(int k) { return "P" + std::to_string(k); }
std::string Folder(int k) { return "\\Program Files\\Together\\" + Name(k); }
std::string Program(int k) { return Folder(k) + "\\" + Name(k) + ".exe"; }
std::string Content(int k) { return hostile::Repeat(Name(k) + " data ", 5000); }
std::u16string Ce(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

void DeliverAll(const test::TempDevice& device) {
  for (int k = 0; k < kProducts; ++k) {
    const std::string name = Name(k);
    const std::string script =
        "<Installation><AppPath>" + Folder(k) + "</AppPath><Exe>" + name +
        ".exe</Exe></Installation><Files><File name=\"a.dat\"/><File name=\"" + name +
        ".exe\"/></Files><Actions><Action event=\"Install.After\" type=\"Registry.WriteValue\" "
        "key=\"HKLM\\Software\\Together\\" +
        name + "\" valueName=\"Version\" value=\"1\"/></Actions>";
    device.WriteFile(
        Ce("\\Temp\\" + name + ".gz"),
        hostile::Product(name + ".gz", script,
                         {{"a.dat", Content(k), false}, {name + ".exe", "MZ", false}}));
  }
}

// The first two columns of the rows of a query on the device's database, as text.
std::vector<std::vector<std::string>> Query(const test::TempDevice& device, std::string_view sql) {
  std::vector<std::vector<std::string>> rows;
  emu::sql::Database db;
  const emu::Status opened = emu::sql::Database::Open(device.hostDir() + "/device.db", false, &db);
  EXPECT_TRUE(opened.ok()) << opened.message();
  emu::sql::Statement statement = db.Prepare(sql);
  for (bool row = true; row;) {
    const emu::Status stepped = statement.Step(&row);
    EXPECT_TRUE(stepped.ok()) << stepped.message();
    if (!stepped.ok() || !row) break;
    rows.push_back({statement.Text(0), statement.Text(1)});
  }
  return rows;
}

// Every product is installed and was started exactly once; no delivery is left.
void ExpectEachInstalledOnce(const test::TempDevice& device) {
  std::map<std::string, int> starts;
  for (const auto& row : Query(device,
                               "SELECT application, count(*) FROM events WHERE kind = 'process' "
                               "AND command_line = '-firstRun -zandrel' GROUP BY application")) {
    starts[row[0]] = std::stoi(row[1]);
  }
  std::map<std::string, int> versions;  // keys that hold the version record
  for (const auto& row : Query(device,
                               "SELECT k.name, v.type FROM registry_values v JOIN registry_keys k "
                               "ON v.key = k.id WHERE v.name = 'Version'")) {
    ++versions[row[0]];
  }
  for (int k = 0; k < kProducts; ++k) {
    EXPECT_EQ(starts[Program(k)], 1) << Name(k) << "'s starts";
    EXPECT_EQ(versions[Name(k)], 1) << Name(k) << " has no version record";
    EXPECT_TRUE(device.ReadFile(Ce(Folder(k) + "\\a.dat")) == Content(k)) << Name(k);
    EXPECT_TRUE(device.Exists(Ce(Program(k)))) << Name(k);
  }
  EXPECT_EQ(device.ListFiles(u"\\Temp"), std::vector<std::string>{});
}

class ConcurrencyTest : public ::testing::TestWithParam<int> {};

TEST_P(ConcurrencyTest, UpdatersStartedAtOnceInstallEveryProductExactlyOnce) {
  for (int trial = 0; trial < kTrials; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    test::TempDevice device;
    DeliverAll(device);
    std::vector<std::unique_ptr<test::UpdaterProcess>> updaters;
    for (int i = 0; i < GetParam(); ++i) {
      updaters.push_back(std::make_unique<test::UpdaterProcess>(
          device.hostDir(), std::vector<std::string>{"-unpackProduct", "\\Temp"}));
    }
    for (const auto& updater : updaters) {
      const test::UpdaterResult result = updater->Wait();
      EXPECT_EQ(result.exitCode, 0) << result.err;
    }
    ExpectEachInstalledOnce(device);
  }
}

INSTANTIATE_TEST_SUITE_P(Updaters, ConcurrencyTest, ::testing::Values(2, 3));

// While another holds the install mutex (here the test, under the name the updater
// uses), an updater touches nothing, and installs once it is released.
TEST(ConcurrencyWaitTest, AnUpdaterWaitsForTheOneInstalling) {
  test::TempDevice device;
  DeliverAll(device);
  const std::vector<std::string> delivered = device.ListFiles(u"\\Temp");
  const HANDLE installing = CreateMutexW(nullptr, TRUE, u"Kelmora.Updater.Install");
  ASSERT_NE(installing, nullptr);
  test::UpdaterProcess waiting(device.hostDir(), {"-unpackProduct", "\\Temp"});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(device.ListFiles(u"\\Temp"), delivered);
  EXPECT_TRUE(ReleaseMutex(installing));
  CloseHandle(installing);
  const test::UpdaterResult result = waiting.Wait();
  EXPECT_EQ(result.exitCode, 0) << result.err;
  ExpectEachInstalledOnce(device);
}

}  // namespace
