// Every delivery of the hostile catalogue (catalogue.h), installed by the real updater
// on a throw-away device, followed in the folder by an ordinary product.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "catalogue.h"
#include "deliveries.h"
#include "testing/temp_device.h"
#include "updater_process.h"

namespace {

namespace fs = std::filesystem;

// Sanitizer builds give every allocation red zones and keep freed memory for a while.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kSanitizerFactor = 4;
#else
constexpr long kSanitizerFactor = 1;
#endif

constexpr const char* kNextScript =
    R"(<Installation><AppPath>{ProgramFiles}\Next</AppPath></Installation>)"
    R"(<Files><File name="next.txt"/></Files><Actions><Action event="Install.After" )"
    R"(type="Registry.WriteValue" key="HKLM\Software\Next" valueName="Installed" value="yes"/>)"
    R"(</Actions>)";

void DeliverNext(const hostile::Scene& scene) {
  scene.Deliver(u"zz-Next.gz",
                hostile::Product("zz-Next.gz", kNextScript, {{"next.txt", "next", false}}));
}

// The peak memory of an ordinary installation: the next product alone.
long BaselineKb() {
  static const long baseline = [] {
    test::TempDevice device;
    DeliverNext(hostile::Scene(device));
    return test::RunUpdater(device.hostDir(), {"-unpackProduct", "\\Temp"}, {.measureMemory = true})
        .maxResidentKb;
  }();
  return baseline;
}

// The peak memory of the emulator itself, under which the updater runs in an emulated
// build: the updater started without a job, which ends at once. 0 without an emulator.
long EmulatorKb() {
  static const long emulator = [] {
    if (!test::kUnderEmulator) return 0L;
    test::TempDevice device;
    return test::RunUpdater(device.hostDir(), {}, {.measureMemory = true}).maxResidentKb;
  }();
  return emulator;
}

// Entries named like the catalogue's escape attempts in the folders that hold the
// device's file system, up to the host's root.
std::vector<std::string> EscapedEntries(const std::string& hostDir) {
  std::vector<std::string> found;
  for (fs::path folder = hostDir;; folder = folder.parent_path()) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      if (it->path().filename().string().starts_with("hostile-escape")) {
        found.push_back(it->path().string());
      }
    }
    if (folder == folder.parent_path()) break;
  }
  return found;
}

std::set<std::string> DeviceFolder(const std::string& hostDir) {
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(hostDir)) {
    names.insert(entry.path().filename().string());
  }
  names.erase("device.db-wal");
  names.erase("device.db-shm");
  names.erase("mutexes");  // the device's named mutexes
  return names;
}

// The memory a handheld gives a process: every delivery stays within this peak, and has
// its outcome also when its address space is no larger (not in sanitizer builds, whose
// run-time library reserves far more address space than that).
constexpr long kHandheldPeakKb = 24 * 1024;
constexpr std::int64_t kHandheldSlotBytes = 32 * 1024 * 1024;

// qemu-arm ignores an emulated program's address-space limit, and one set on the
// emulator bounds the emulator's own code buffer: no handheld slot under emulation.
constexpr const char* kNoSlotUnderEmulator = "no address-space limit under an emulator";

struct Variant {
  hostile::Case hostileCase;
  bool inHandheldSlot;
};

void PrintTo(const Variant& variant, std::ostream* out) {
  hostile::PrintTo(variant.hostileCase, out);
  if (variant.inHandheldSlot) *out << " in a handheld slot";
}

class HostileDeliveryTest : public ::testing::TestWithParam<Variant> {};

TEST_P(HostileDeliveryTest, HasItsOutcome) {
  const hostile::Case& hostileCase = GetParam().hostileCase;
  const bool inSlot = GetParam().inHandheldSlot;
  if (inSlot && kSanitizerFactor > 1) GTEST_SKIP() << "no address-space limit under sanitizers";
  if (inSlot && test::kUnderEmulator) GTEST_SKIP() << kNoSlotUnderEmulator;
  const long baselineKb = BaselineKb();
  test::TempDevice device;
  const hostile::Scene scene(device);
  const std::string sentinel = device.hostDir() + "/outside.txt";
  test::WriteHostFile(sentinel, "beside the file system");
  hostileCase.deliver(scene);
  DeliverNext(scene);

  const test::UpdaterResult result =
      test::RunUpdater(device.hostDir(), hostileCase.arguments,
                       {.maxFileBytes = hostileCase.maxFileBytes,
                        .measureMemory = true,
                        .addressSpaceBytes = inSlot ? kHandheldSlotBytes : -1});

  EXPECT_EQ(result.signal, 0);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(DeviceFolder(device.hostDir()),
            (std::set<std::string>{"device.db", "fs", "outside.txt"}));
  EXPECT_EQ(test::ReadHostFile(sentinel), "beside the file system");
  EXPECT_EQ(EscapedEntries(device.hostDir()), std::vector<std::string>{});
  EXPECT_LE(result.maxResidentKb, baselineKb + hostileCase.memoryAllowanceKb * kSanitizerFactor)
      << "baseline " << baselineKb << " KiB";
  if (kSanitizerFactor == 1) {
    EXPECT_LE(result.maxResidentKb - EmulatorKb(), kHandheldPeakKb)
        << "the emulator's own " << EmulatorKb() << " KiB not counted";
  }
  if (hostileCase.nextInstalled) {
    EXPECT_FALSE(scene.Exists(u"\\Temp\\zz-Next.gz"));
    EXPECT_FALSE(scene.Exists(u"\\Temp\\zz-Next"));
    EXPECT_TRUE(scene.Exists(u"\\Program Files\\Next\\next.txt"));
    EXPECT_EQ(scene.RegistryText(HKEY_LOCAL_MACHINE, u"Software\\Next", u"Installed"), "yes");
  } else {
    EXPECT_TRUE(scene.Exists(u"\\Temp\\zz-Next.gz"));
  }
  hostileCase.check(scene);
}

TEST(MemoryTest, MemoryThatRunsOutEndsOneInstallationAndTheNextGoesOn) {
  if (kSanitizerFactor > 1) GTEST_SKIP() << "no address-space limit under sanitizers";
  if (test::kUnderEmulator) GTEST_SKIP() << kNoSlotUnderEmulator;
  test::TempDevice device;
  const hostile::Scene scene(device);
  // A tree of about 25 MiB: within the bound on loaded scripts, beyond a 32 MiB slot.
  scene.Deliver(u"Big.gz",
                hostile::Product("Big.gz",
                                 hostile::Repeat("<a/>", 150'000) +
                                     "<Installation><AppPath>\\Big</AppPath></Installation>"
                                     R"(<Files><File name="big.txt"/></Files>)",
                                 {{"big.txt", "big", false}}));
  DeliverNext(scene);
  const test::UpdaterResult result = test::RunUpdater(
      device.hostDir(), {"-unpackProduct", "\\Temp"}, {.addressSpaceBytes = kHandheldSlotBytes});
  EXPECT_EQ(result.signal, 0);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(scene.Exists(u"\\Program Files\\Next\\next.txt"));
  EXPECT_FALSE(scene.Exists(u"\\Big\\big.txt"));
  // Set aside for one more attempt, its package file gone.
  EXPECT_TRUE(scene.Exists(u"\\Temp\\Big.gz.try1"));
  EXPECT_FALSE(scene.Exists(u"\\Temp\\Big"));

  EXPECT_EQ(test::RunUpdater(device.hostDir(), {"-unpackProduct", "\\Temp"}).exitCode, 0);
  EXPECT_EQ(scene.Read(u"\\Big\\big.txt"), "big");
  EXPECT_EQ(device.ListFiles(u"\\Temp"), std::vector<std::string>{});
}

std::vector<Variant> Variants() {
  std::vector<Variant> variants;
  for (const bool inSlot : {false, true}) {
    for (const hostile::Case& hostileCase : hostile::Catalogue()) {
      variants.push_back({hostileCase, inSlot});
    }
  }
  return variants;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, HostileDeliveryTest, ::testing::ValuesIn(Variants()),
                         [](const ::testing::TestParamInfo<Variant>& info) {
                           return std::string(info.param.hostileCase.name) +
                                  (info.param.inHandheldSlot ? "_InAHandheldSlot" : "");
                         });

}  // namespace
