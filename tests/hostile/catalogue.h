// The catalogue of hostile deliveries: what each case delivers and the outcome it must
// have.
//
// Besides its own outcome, every case must have the outcome that the test checks for
// all of them: the updater exits with 0 and prints nothing; nothing is written outside
// the device's file system; its peak memory stays within the case's allowance above
// that of an ordinary installation; and the next product of the folder ("zz-Next.gz",
// listed after every hostile delivery) is still installed.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ce.h"
#include "testing/temp_device.h"

namespace hostile {

// One case's device: what the updater is given, and what it left behind.
class Scene {
 public:
  explicit Scene(const test::TempDevice& device) : device_(device) {}

  // Writes a delivery into \Temp.
  void Deliver(std::u16string_view name, std::string_view bytes) const;

  bool Exists(std::u16string_view cePath) const { return device_.Exists(cePath); }
  std::string Read(std::u16string_view cePath) const { return device_.ReadFile(cePath); }
  // Every file of the device outside \Temp, as a CE path in UTF-8, sorted.
  std::vector<std::string> InstalledFiles() const;
  // The data of a registry value; none when the key or the value is missing.
  std::optional<std::string> RegistryData(HKEY root, std::u16string_view key,
                                          std::u16string_view name) const;
  // A text value as UTF-8, without its final zero character.
  std::optional<std::string> RegistryText(HKEY root, std::u16string_view key,
                                          std::u16string_view name) const;
  // The registry as a .reg export.
  std::string Registry() const;
  // The event journal, one JSON object a line.
  std::string Journal() const;

 private:
  const test::TempDevice& device_;
};

struct Case {
  const char* name;
  // Puts the hostile deliveries into \Temp; the next product is added by the test.
  std::function<void(const Scene&)> deliver;
  // Checks the case's own outcome.
  std::function<void(const Scene&)> check;
  std::vector<std::string> arguments = {"-unpackProduct", "\\Temp"};
  // The largest file the updater may write (a full disk); negative: no limit.
  std::int64_t maxFileBytes = -1;
  // Peak memory allowed above an ordinary installation, in KiB, before the scaling
  // for sanitizer builds.
  long memoryAllowanceKb = 16 * 1024;
  // False for a command line that installs nothing at all: the next product stays.
  bool nextInstalled = true;
};

const std::vector<Case>& Catalogue();

// Prints the case's name (in test names and failure messages).
void PrintTo(const Case& hostileCase, std::ostream* out);

}  // namespace hostile
