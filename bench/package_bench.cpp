// Opening a package of 10,000 entries (reading its entry table) and finding entries in
// it, on a throw-away device.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "package/package_writer.h"
#include "package/resource_package.h"
#include "testing/temp_device.h"

namespace {

constexpr int kEntries = 10000;

std::string EntryName(int i) {
  char name[64];
  std::snprintf(name, sizeof name, "bin\\modules\\group%03d\\module%06d.dll", i / 1000, i);
  return name;
}

// The device and its package, made once for all benchmarks.
const test::TempDevice& Device() {
  static const test::TempDevice* device = [] {
    auto* made = new test::TempDevice;
    std::vector<pkg::EntrySource> entries;
    for (int i = 0; i < kEntries; ++i)
      entries.push_back({EntryName(i), std::string(64, 'x'), false});
    made->WriteFile(u"\\Temp\\Big", pkg::BuildPackage("Big", entries));
    return made;
  }();
  return *device;
}

void PackageOpen(benchmark::State& state) {
  Device();
  for (auto _ : state) {
    System::IO::ResourcePackage package("\\Temp\\Big");
    benchmark::DoNotOptimize(package.Entries().size());
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(PackageOpen)->Unit(benchmark::kMillisecond);

// Every entry once, in file order, and a name the package does not have.
void PackageFindEntry(benchmark::State& state) {
  Device();
  System::IO::ResourcePackage package("\\Temp\\Big");
  std::vector<std::string> names;
  for (int i = 0; i < kEntries; ++i) names.push_back(EntryName(i));
  for (auto _ : state) {
    for (const std::string& name : names) benchmark::DoNotOptimize(package.FindEntry(name.c_str()));
    benchmark::DoNotOptimize(package.FindEntry("absent"));
  }
  state.SetItemsProcessed(state.iterations() * (kEntries + 1));
}
BENCHMARK(PackageFindEntry)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
