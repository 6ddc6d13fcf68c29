// Crash safety: the updater is killed with SIGKILL at random moments while it installs a
// folder of products. After every kill the device's database must be whole, every
// registry value and journal event in it complete, and a second run must install every
// delivery that is still there.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "device.h"
#include "hostile/deliveries.h"
#include "sqlite_db.h"
#include "testing/temp_device.h"
#include "updater_process.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kProducts = 4;
constexpr int kValues = 12;
constexpr int kTrials = 10;  // per test; five tests

// A registry value as stored: key path below its root, with the root's name.
struct StoredValue {
  std::string key;
  std::string name;
  std::int64_t type = 0;
  std::string data;
  bool operator<(const StoredValue& other) const {
    return std::tie(key, name) < std::tie(other.key, other.name);
  }
};

std::string Utf16Bytes(std::string_view ascii) {
  std::string bytes;
  for (const char c : ascii) bytes += {c, '\0'};
  return bytes + std::string(2, '\0');
}

// A text long enough that a torn write would show: its product and number, then filler.
std::string ValueText(const std::string& product, int index) {
  return product + "V" + std::to_string(index) + ":" + std::string(200 + index, 'a' + index % 26);
}

// A value that a product's script writes: the attributes of its action, and the value
// as device.db holds it afterwards.
struct ProductValue {
  std::string attributes;
  StoredValue stored;
};

// One product of the folder: what it is delivered as and what it installs.
struct Product {
  std::string name;                          // P0, P1, ...; N1 is nested in P1
  std::map<std::string, std::string> files;  // CE path below \Program Files\Crash -> content
  std::vector<ProductValue> values;          // in the order the script writes them
};

Product Describe(const std::string& name, int values) {
  Product product{name, {}, {}};
  product.files["\\" + name + "\\a.dat"] = hostile::Repeat(name + " a ", 8000);
  product.files["\\" + name + "\\" + name + ".exe"] = "MZ " + name;
  for (int i = 0; i < values; ++i) {
    const std::string text = ValueText(name, i);
    product.values.push_back({"key=\"HKLM\\Software\\Crash\\" + name + "\" valueName=\"V" +
                                  std::to_string(i) + "\" value=\"" + text + "\"",
                              {"HKEY_LOCAL_MACHINE\\Software\\Crash\\" + name,
                               "V" + std::to_string(i), REG_SZ, Utf16Bytes(text)}});
  }
  const std::int32_t count = static_cast<std::int32_t>(name.size() * 1000 + values);
  std::string dword(4, '\0');
  for (int b = 0; b < 4; ++b) dword[b] = static_cast<char>(count >> (8 * b));
  product.values.push_back(
      {"key=\"HKCU\\Software\\Crash\\" + name +
           "\" valueName=\"Count\" dataType=\"dword\" value=\"" + std::to_string(count) + "\"",
       {"HKEY_CURRENT_USER\\Software\\Crash\\" + name, "Count", REG_DWORD, dword}});
  return product;
}

std::string Deliver(const Product& product, const std::vector<pkg::EntrySource>& extra = {},
                    const std::string& extraActions = "") {
  std::string script = "<Installation><AppPath>{ProgramFiles}\\Crash\\" + product.name +
                       "</AppPath><Exe>" + product.name + ".exe</Exe></Installation><Files>";
  std::vector<pkg::EntrySource> entries;
  for (const auto& [path, content] : product.files) {
    const std::string entry = path.substr(path.rfind('\\') + 1);
    script += "<File name=\"" + entry + "\"/>";
    entries.push_back({entry, content, false});
  }
  for (const pkg::EntrySource& file : extra) script += "<File name=\"" + file.name + "\"/>";
  entries.insert(entries.end(), extra.begin(), extra.end());
  script += "</Files><Actions><Action event=\"Install.Before\" type=\"App.CloseAllKelmoraApps\"/>";
  for (const ProductValue& value : product.values) {
    script +=
        "<Action event=\"Install.After\" type=\"Registry.WriteValue\" " + value.attributes + "/>";
  }
  script += extraActions + "</Actions>";
  return hostile::Product(product.name + ".gz", script, entries);
}

// The products of the folder: P1 carries the nested product N1 and unpacks it last.
std::vector<Product> Products() {
  std::vector<Product> products;
  for (int k = 0; k < kProducts; ++k)
    products.push_back(Describe("P" + std::to_string(k), kValues));
  products.push_back(Describe("N1", 3));
  return products;
}

void DeliverAll(const test::TempDevice& device, const std::vector<Product>& products) {
  const Product& nested = products.back();
  for (int k = 0; k < kProducts; ++k) {
    const Product& product = products[static_cast<std::size_t>(k)];
    const std::string bytes =
        k != 1 ? Deliver(product)
               : Deliver(product, {{"N1.gz", Deliver(nested), false}},
                         "<Action event=\"Install.After\" type=\"Product.Unpack\" "
                         "filename=\"%AppPath%\\N1.gz\"/>");
    device.WriteFile(u"\\Temp\\P" + std::u16string(1, u'0' + k) + u".gz", bytes);
  }
}

std::set<std::string> PendingDeliveries(const test::TempDevice& device) {
  std::set<std::string> pending;
  for (const std::string& name : device.ListFiles(u"\\Temp")) {
    if (name.ends_with(".gz")) pending.insert(name.substr(0, name.size() - 3));
  }
  return pending;
}

// Everything the checks read from device.db, read straight from the database.
struct Database {
  std::string integrity;
  std::vector<StoredValue> values;
  std::vector<std::string> eventProblems;
  std::multiset<std::string> started;  // applications of process events
  int events = 0;
};

// Runs `sql` and hands each row to `onRow`.
void ForEachRow(emu::sql::Database& db, std::string_view sql,
                const std::function<void(const emu::sql::Statement&)>& onRow) {
  emu::sql::Statement statement;
  const emu::Status prepared = db.Prepare(sql, &statement);
  ASSERT_TRUE(prepared.ok()) << prepared.message();
  for (bool row = true;;) {
    const emu::Status stepped = statement.Step(&row);
    ASSERT_TRUE(stepped.ok()) << stepped.message();
    if (!row) return;
    onRow(statement);
  }
}

Database ReadDatabase(const std::string& hostDir) {
  Database result;
  emu::sql::Database db;
  const emu::Status opened = emu::sql::Database::Open(hostDir + "/device.db", false, &db);
  EXPECT_TRUE(opened.ok()) << opened.message();
  if (!db.IsOpen()) return result;
  ForEachRow(db, "PRAGMA integrity_check",
             [&](const emu::sql::Statement& row) { result.integrity += row.Text(0) + "\n"; });
  ForEachRow(db,
             "WITH RECURSIVE path(id, text) AS ("
             "SELECT id, name FROM registry_keys WHERE parent IS NULL UNION ALL "
             "SELECT k.id, path.text || '\\' || k.name FROM registry_keys k "
             "JOIN path ON k.parent = path.id) "
             "SELECT path.text, v.name, v.type, v.data FROM registry_values v "
             "JOIN path ON v.key = path.id",
             [&](const emu::sql::Statement& row) {
               const std::vector<unsigned char> data = row.Blob(3);
               result.values.push_back(
                   {row.Text(0), row.Text(1), row.Int(2), std::string(data.begin(), data.end())});
             });
  ForEachRow(db,
             "SELECT seq, kind, application, command_line, started, hwnd, message, name, wparam, "
             "lparam FROM events ORDER BY seq",
             [&](const emu::sql::Statement& row) {
               ++result.events;
               const std::string where = "event " + std::to_string(row.Int(0));
               if (row.Int(0) != result.events)
                 result.eventProblems.push_back(where + ": a gap before it");
               if (row.Text(1) == "process") {
                 if (row.IsNull(2) || row.IsNull(3) || row.IsNull(4) ||
                     row.Text(3) != "-firstRun -zandrel" || row.Int(4) != 1) {
                   result.eventProblems.push_back(where + ": an incomplete process event");
                 }
                 result.started.insert(row.Text(2));
               } else if (row.Text(1) == "message") {
                 if (row.Int(5) != 0xFFFF || row.Int(6) < 0xC000 ||
                     row.Text(7) != "Kelmora.CloseApp" || row.Int(8) != 0 || row.Int(9) != 0) {
                   result.eventProblems.push_back(where + ": an incomplete message event");
                 }
               } else {
                 result.eventProblems.push_back(where + ": kind '" + row.Text(1) + "'");
               }
             });
  std::sort(result.values.begin(), result.values.end());
  return result;
}

// Every value is one the products write, whole; of each product's values, those present
// are the first ones it writes: each write was complete before the next began.
void ExpectWholeValues(const Database& db, const std::vector<Product>& products) {
  std::map<std::pair<std::string, std::string>, std::pair<const Product*, std::size_t>> expected;
  for (const Product& product : products) {
    for (std::size_t i = 0; i < product.values.size(); ++i) {
      const StoredValue& value = product.values[i].stored;
      expected[{value.key, value.name}] = {&product, i};
    }
  }
  std::map<const Product*, std::set<std::size_t>> present;
  for (const StoredValue& value : db.values) {
    const auto found = expected.find({value.key, value.name});
    ASSERT_NE(found, expected.end()) << "an unexpected value " << value.key << " " << value.name;
    const StoredValue& wanted = found->second.first->values[found->second.second].stored;
    EXPECT_EQ(value.type, wanted.type) << value.key << " " << value.name;
    EXPECT_TRUE(value.data == wanted.data) << "a torn value: " << value.key << " " << value.name;
    present[found->second.first].insert(found->second.second);
  }
  for (const auto& [product, indices] : present) {
    EXPECT_EQ(*indices.rbegin() + 1, indices.size())
        << product->name << ": a value written out of order";
  }
}

void ExpectInstalled(const test::TempDevice& device, const Database& db, const Product& product) {
  for (const auto& [path, content] : product.files) {
    const std::u16string cePath =
        u"\\Program Files\\Crash" + std::u16string(path.begin(), path.end());
    EXPECT_TRUE(device.Exists(cePath)) << path;
    if (device.Exists(cePath)) {
      EXPECT_TRUE(device.ReadFile(cePath) == content) << path << " differs";
    }
  }
  for (const ProductValue& value : product.values) {
    const bool found =
        std::any_of(db.values.begin(), db.values.end(), [&](const StoredValue& stored) {
          return stored.key == value.stored.key && stored.name == value.stored.name;
        });
    EXPECT_TRUE(found) << product.name << ": " << value.stored.key << " " << value.stored.name;
  }
  EXPECT_GE(
      db.started.count("\\Program Files\\Crash\\" + product.name + "\\" + product.name + ".exe"),
      1u)
      << product.name << " was not started";
}

class CrashSafetyTest : public ::testing::TestWithParam<int> {};

TEST_P(CrashSafetyTest, KilledInstallationsLeaveAWholeDeviceAndRerunsFinishThem) {
  const std::vector<Product> products = Products();
  // How long one whole run takes here: kills are spread over that time.
  Clock::duration wholeRun;
  {
    test::TempDevice device;
    DeliverAll(device, products);
    const Clock::time_point start = Clock::now();
    const test::UpdaterResult result =
        test::RunUpdater(device.hostDir(), {"-unpackProduct", "\\Temp"});
    wholeRun = Clock::now() - start;
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Database db = ReadDatabase(device.hostDir());
    for (const Product& product : products) ExpectInstalled(device, db, product);
  }

  std::mt19937 random(static_cast<unsigned>(GetParam()));
  std::uniform_int_distribution<Clock::rep> moment(0, wholeRun.count());
  for (int trial = 0; trial < kTrials; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    test::TempDevice device;
    DeliverAll(device, products);
    {
      test::UpdaterProcess updater(device.hostDir(), {"-unpackProduct", "\\Temp"});
      std::this_thread::sleep_for(Clock::duration(moment(random)));
      updater.Kill();
      const test::UpdaterResult killed = updater.Wait();
      EXPECT_TRUE(killed.signal == SIGKILL || killed.exitCode == 0) << killed.err;
    }

    const Database afterKill = ReadDatabase(device.hostDir());
    EXPECT_EQ(afterKill.integrity, "ok\n");
    ExpectWholeValues(afterKill, products);
    EXPECT_EQ(afterKill.eventProblems, std::vector<std::string>{});

    const std::set<std::string> pending = PendingDeliveries(device);
    const test::UpdaterResult rerun =
        test::RunUpdater(device.hostDir(), {"-unpackProduct", "\\Temp"});
    EXPECT_EQ(rerun.exitCode, 0) << rerun.err;
    const Database afterRerun = ReadDatabase(device.hostDir());
    EXPECT_EQ(afterRerun.integrity, "ok\n");
    ExpectWholeValues(afterRerun, products);
    EXPECT_EQ(afterRerun.eventProblems, std::vector<std::string>{});
    EXPECT_EQ(PendingDeliveries(device), std::set<std::string>{});
    for (const Product& product : products) {
      const bool wasPending =
          pending.count(product.name) == 1 || (product.name == "N1" && pending.count("P1") == 1);
      if (wasPending) ExpectInstalled(device, afterRerun, product);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, CrashSafetyTest, ::testing::Range(1, 6));

}  // namespace
