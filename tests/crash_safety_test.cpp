// Crash safety: the updater is killed with SIGKILL at random moments while it installs a
// folder of products, on a new device or over an older version of them. After every kill
// the device's database must be whole, every registry value and journal event in it
// complete, every product file whole (its old or its new content) and every product
// either installed or still delivered; a rerun must then install every delivery and
// leave nothing behind but the products' files.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
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

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kProducts = 4;
constexpr int kValues = 12;

// Trials per seed of a test, fewer under an emulator; UPDATER_CRASH_TRIALS multiplies
// them for longer runs.
int Trials(int perSeed) {
  const char* factor = std::getenv("UPDATER_CRASH_TRIALS");
  return test::ScaledTrials(perSeed) * (factor != nullptr ? std::max(1, std::atoi(factor)) : 1);
}

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

// Version 2 of a product differs from version 1 in every file and value, and adds a file.
Product Describe(const std::string& name, int values, int version) {
  const std::string tag = version == 1 ? name : name + " v" + std::to_string(version);
  const std::string folder = "\\" + name + "\\";
  Product product{name, {}, {}};
  product.files[folder + "a.dat"] = hostile::Repeat(tag + " a ", 8000);
  // One file large enough that kills land inside its writes.
  if (name == "P2") product.files[folder + "big.dat"] = hostile::Repeat(tag + " big ", 40000);
  product.files[folder + name + ".exe"] = "MZ " + tag;
  if (version > 1) product.files[folder + "new.dat"] = tag + " new";
  for (int i = 0; i < values; ++i) {
    const std::string text = ValueText(tag, i);
    product.values.push_back({"key=\"HKLM\\Software\\Crash\\" + name + "\" valueName=\"V" +
                                  std::to_string(i) + "\" value=\"" + text + "\"",
                              {"HKEY_LOCAL_MACHINE\\Software\\Crash\\" + name,
                               "V" + std::to_string(i), REG_SZ, Utf16Bytes(text)}});
  }
  const std::int32_t count =
      static_cast<std::int32_t>(name.size() * 1000 + values + (version - 1) * 100000);
  std::string dword(4, '\0');
  for (int b = 0; b < 4; ++b) dword[b] = static_cast<char>(count >> (8 * b));
  product.values.push_back(
      {"key=\"HKCU\\Software\\Crash\\" + name +
           "\" valueName=\"Count\" dataType=\"dword\" value=\"" + std::to_string(count) + "\"",
       {"HKEY_CURRENT_USER\\Software\\Crash\\" + name, "Count", REG_DWORD, dword}});
  return product;
}

std::string Delivery(const Product& product, const std::vector<pkg::EntrySource>& extra = {},
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
std::vector<Product> Products(int version) {
  std::vector<Product> products;
  for (int k = 0; k < kProducts; ++k)
    products.push_back(Describe("P" + std::to_string(k), kValues, version));
  products.push_back(Describe("N1", 3, version));
  return products;
}

// The delivered files of the products, by CE path.
std::map<std::u16string, std::string> Deliveries(const std::vector<Product>& products) {
  std::map<std::u16string, std::string> deliveries;
  const Product& nested = products.back();
  for (int k = 0; k < kProducts; ++k) {
    const Product& product = products[static_cast<std::size_t>(k)];
    deliveries[u"\\Temp\\P" + std::u16string(1, u'0' + k) + u".gz"] =
        k != 1 ? Delivery(product)
               : Delivery(product, {{"N1.gz", Delivery(nested), false}},
                          "<Action event=\"Install.After\" type=\"Product.Unpack\" "
                          "filename=\"%AppPath%\\N1.gz\"/>");
  }
  return deliveries;
}

// The products whose delivery is in \Temp: new, or set aside for an attempt.
std::set<std::string> PendingDeliveries(const test::TempDevice& device) {
  std::set<std::string> pending;
  for (const std::string& name : device.ListFiles(u"\\Temp")) {
    for (const std::string suffix : {".gz", ".gz.try1", ".gz.try2"}) {
      if (name.ends_with(suffix)) pending.insert(name.substr(0, name.size() - suffix.size()));
    }
  }
  return pending;
}

// The products whose delivery has had its last attempt (N1 that of P1).
std::set<std::string> ExhaustedDeliveries(const test::TempDevice& device) {
  std::set<std::string> exhausted;
  for (const std::string& name : device.ListFiles(u"\\Temp")) {
    if (name.ends_with(".gz.try2")) exhausted.insert(name.substr(0, name.size() - 8));
  }
  if (exhausted.count("P1") == 1) exhausted.insert("N1");
  return exhausted;
}

// The host path below fs/ of a product file.
std::string HostRelative(const std::string& path) {
  std::string relative = "Program Files/Crash" + path;
  std::replace(relative.begin(), relative.end(), '\\', '/');
  return relative;
}

// Every file on the device that is no file of `products`: a delivery, a package or a
// staging file left behind.
std::set<std::string> StrayFiles(const test::TempDevice& device,
                                 const std::vector<const std::vector<Product>*>& products) {
  std::set<std::string> known;
  for (const std::vector<Product>* version : products) {
    for (const Product& product : *version) {
      for (const auto& [path, content] : product.files) known.insert(HostRelative(path));
    }
  }
  std::set<std::string> strays;
  const fs::path root = device.hostDir() + "/fs";
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    const std::string relative = entry.path().lexically_relative(root).string();
    if (!entry.is_directory() && known.count(relative) == 0) strays.insert(relative);
  }
  return strays;
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
  emu::sql::Statement statement = db.Prepare(sql);
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

// Every value is one that a version of the products writes, whole; of each product's
// values, those holding the newest version's data are the first ones that version writes:
// each write was complete before the next began. `versions` are in the order installed.
void ExpectWholeValues(const Database& db,
                       const std::vector<const std::vector<Product>*>& versions) {
  const std::vector<Product>& newest = *versions.back();
  std::map<std::pair<std::string, std::string>, std::pair<std::size_t, std::size_t>> expected;
  for (std::size_t k = 0; k < newest.size(); ++k) {
    for (std::size_t i = 0; i < newest[k].values.size(); ++i) {
      const StoredValue& value = newest[k].values[i].stored;
      expected[{value.key, value.name}] = {k, i};
    }
  }
  std::map<std::size_t, std::set<std::size_t>> present;
  for (const StoredValue& value : db.values) {
    const auto found = expected.find({value.key, value.name});
    ASSERT_NE(found, expected.end()) << "an unexpected value " << value.key << " " << value.name;
    const auto [k, i] = found->second;
    const auto holds = [&](const std::vector<Product>* version) {
      const StoredValue& wanted = (*version)[k].values[i].stored;
      return value.type == wanted.type && value.data == wanted.data;
    };
    EXPECT_TRUE(std::any_of(versions.begin(), versions.end(), holds))
        << "a torn value: " << value.key << " " << value.name;
    if (holds(&newest)) present[k].insert(i);
  }
  for (const auto& [k, indices] : present) {
    EXPECT_EQ(*indices.rbegin() + 1, indices.size())
        << newest[k].name << ": a value written out of order";
  }
}

void ExpectWholeDatabase(const Database& db,
                         const std::vector<const std::vector<Product>*>& versions) {
  EXPECT_EQ(db.integrity, "ok\n");
  ExpectWholeValues(db, versions);
  EXPECT_EQ(db.eventProblems, std::vector<std::string>{});
}

std::u16string CePath(const std::string& path) {
  return u"\\Program Files\\Crash" + std::u16string(path.begin(), path.end());
}

// What keeps `product` from being installed: a file missing or different, a value
// missing or different, no start beyond the `startsBefore` of earlier versions.
std::vector<std::string> Gaps(const test::TempDevice& device, const Database& db,
                              const Product& product, std::size_t startsBefore) {
  std::vector<std::string> gaps;
  for (const auto& [path, content] : product.files) {
    if (!device.Exists(CePath(path))) {
      gaps.push_back(path + " is missing");
    } else if (device.ReadFile(CePath(path)) != content) {
      gaps.push_back(path + " differs");
    }
  }
  for (const ProductValue& value : product.values) {
    const auto found = std::find_if(db.values.begin(), db.values.end(), [&](const auto& stored) {
      return stored.key == value.stored.key && stored.name == value.stored.name;
    });
    if (found == db.values.end() || found->data != value.stored.data) {
      gaps.push_back(value.stored.key + " " + value.stored.name + " is missing or old");
    }
  }
  const std::string program =
      "\\Program Files\\Crash\\" + product.name + "\\" + product.name + ".exe";
  if (db.started.count(program) <= startsBefore) gaps.push_back("not started");
  return gaps;
}

// Every file of the products is whole: its content before or after, never missing when
// it was there before.
void ExpectNoTornFile(const test::TempDevice& device, const std::vector<Product>* before,
                      const std::vector<Product>& after) {
  for (std::size_t k = 0; k < after.size(); ++k) {
    for (const auto& [path, content] : after[k].files) {
      const std::string* old = nullptr;
      if (before != nullptr && (*before)[k].files.count(path) == 1) {
        old = &(*before)[k].files.at(path);
      }
      if (!device.Exists(CePath(path))) {
        EXPECT_EQ(old, nullptr) << path << " is missing";
        continue;
      }
      const std::string now = device.ReadFile(CePath(path));
      EXPECT_TRUE(now == content || (old != nullptr && now == *old)) << path << " is torn";
    }
  }
}

// Whether `path` is what a discarded product's interrupted attempts may leave in its
// folders, all of which its next installation removes or replaces: staging files, and in
// P1's folder its file N1.gz, or the nested delivery set aside with its package.
bool LeftByDiscardedPass(const std::string& path, const std::set<std::string>& discarded) {
  const fs::path file(path);
  const std::string product = file.parent_path().filename().string();
  const std::string name = file.filename().string();
  return discarded.count(product) == 1 &&
         ((name.starts_with("~upd") && name.ends_with(".tmp")) ||
          (product == "P1" && (name == "N1.gz" || name == "N1.gz.try1" || name == "N1")));
}

class CrashSafetyTest : public ::testing::TestWithParam<int> {
 protected:
  // Makes the device that every trial starts from, with `before` installed when given,
  // and measures how long a whole installation of `after` takes there: kills are spread
  // over that time.
  void SetUpScenario(const std::vector<Product>* before, const std::vector<Product>& after) {
    before_ = before;
    after_ = &after;
    start_ = std::make_unique<test::TempDevice>();
    if (before != nullptr) {
      for (const auto& [path, bytes] : Deliveries(*before)) start_->WriteFile(path, bytes);
      ASSERT_EQ(RunUpdater(*start_).exitCode, 0);
      const Database db = ReadDatabase(start_->hostDir());
      for (const Product& product : *before) {
        ASSERT_EQ(Gaps(*start_, db, product, 0), std::vector<std::string>{});
      }
      startsBefore_ = 1;
    }
    deliveries_ = Deliveries(after);
    test::TempDevice device;
    StartTrial(device);
    const Clock::time_point start = Clock::now();
    ASSERT_EQ(RunUpdater(device).exitCode, 0);
    wholeRun_ = Clock::now() - start;
    const Database db = ReadDatabase(device.hostDir());
    for (const Product& product : after) {
      ASSERT_EQ(Gaps(device, db, product, startsBefore_), std::vector<std::string>{});
    }
    random_.seed(static_cast<unsigned>(GetParam()));
  }

  // `device` made a copy of the starting device, with the new deliveries.
  void StartTrial(const test::TempDevice& device) const {
    for (const fs::directory_entry& entry : fs::directory_iterator(device.hostDir())) {
      fs::remove_all(entry.path());
    }
    fs::copy(start_->hostDir(), device.hostDir(), fs::copy_options::recursive);
    for (const auto& [path, bytes] : deliveries_) device.WriteFile(path, bytes);
  }

  static test::UpdaterResult RunUpdater(const test::TempDevice& device) {
    return test::RunUpdater(device.hostDir(), {"-unpackProduct", "\\Temp"});
  }

  // Starts the updater and kills it at a random moment of a whole run.
  void RunAndKill(const test::TempDevice& device) {
    std::uniform_int_distribution<Clock::rep> moment(0, wholeRun_.count());
    test::UpdaterProcess updater(device.hostDir(), {"-unpackProduct", "\\Temp"});
    std::this_thread::sleep_for(Clock::duration(moment(random_)));
    updater.Kill();
    const test::UpdaterResult killed = updater.Wait();
    EXPECT_TRUE(killed.signal == SIGKILL || killed.exitCode == 0) << killed.err;
  }

  std::vector<const std::vector<Product>*> Versions() const {
    if (before_ == nullptr) return {after_};
    return {before_, after_};
  }

  // Kills `kills` runs one after the other, checking the device after each, then lets
  // one run end: every product whose delivery is not exhausted is installed then, and
  // nothing but product files is left on the device.
  void RunTrial(int kills) {
    test::TempDevice device;
    StartTrial(device);
    std::set<std::string> exhausted;
    for (int kill = 0; kill < kills; ++kill) {
      RunAndKill(device);
      const Database db = ReadDatabase(device.hostDir());
      ExpectWholeDatabase(db, Versions());
      ExpectNoTornFile(device, before_, *after_);
      const std::set<std::string> pending = PendingDeliveries(device);
      for (const Product& product : *after_) {
        if (Gaps(device, db, product, startsBefore_).empty()) continue;
        EXPECT_EQ(pending.count(product.name == "N1" ? "P1" : product.name), 1u)
            << product.name << " is neither installed nor delivered";
      }
      exhausted = ExhaustedDeliveries(device);
    }

    const test::UpdaterResult rerun = RunUpdater(device);
    EXPECT_EQ(rerun.exitCode, 0) << rerun.err;
    const Database db = ReadDatabase(device.hostDir());
    ExpectWholeDatabase(db, Versions());
    ExpectNoTornFile(device, before_, *after_);
    for (const Product& product : *after_) {
      if (exhausted.count(product.name) == 1) continue;  // discarded, whole file by file
      EXPECT_EQ(Gaps(device, db, product, startsBefore_), std::vector<std::string>{})
          << product.name;
    }
    std::set<std::string> strays = StrayFiles(device, Versions());
    std::erase_if(strays,
                  [&](const std::string& path) { return LeftByDiscardedPass(path, exhausted); });
    EXPECT_EQ(strays, std::set<std::string>{});
  }

 private:
  const std::vector<Product>* before_ = nullptr;
  const std::vector<Product>* after_ = nullptr;
  std::size_t startsBefore_ = 0;
  std::unique_ptr<test::TempDevice> start_;
  std::map<std::u16string, std::string> deliveries_;
  Clock::duration wholeRun_{};
  std::mt19937 random_;
};

TEST_P(CrashSafetyTest, KilledInstallationsLeaveAWholeDeviceAndRerunsFinishThem) {
  const std::vector<Product> products = Products(1);
  ASSERT_NO_FATAL_FAILURE(SetUpScenario(nullptr, products));
  for (int trial = 0; trial < Trials(10); ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    RunTrial(1);
  }
}

TEST_P(CrashSafetyTest, KilledUpgradesNeverTearAFileOrLoseADelivery) {
  const std::vector<Product> v1 = Products(1);
  const std::vector<Product> v2 = Products(2);
  ASSERT_NO_FATAL_FAILURE(SetUpScenario(&v1, v2));
  for (int trial = 0; trial < Trials(40); ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    RunTrial(1);
  }
}

TEST_P(CrashSafetyTest, ADeliveryInterruptedTwiceIsGoneAfterTheThirdRunAndItsProductIsNeverTorn) {
  const std::vector<Product> v1 = Products(1);
  const std::vector<Product> v2 = Products(2);
  ASSERT_NO_FATAL_FAILURE(SetUpScenario(&v1, v2));
  for (int trial = 0; trial < Trials(20); ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    RunTrial(2);
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, CrashSafetyTest, ::testing::Range(1, 6));

}  // namespace
