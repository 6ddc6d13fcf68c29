// The package reader on arbitrary bytes as a package file: open it, find and read every
// entry, and extract each entry to a file, as the install run does.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "fuzz_device.h"
#include "package/extraction.h"
#include "package/resource_package.h"
#include "platform/ce.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzDevice& device = fuzz::FuzzDevice::Get();
  device.WriteFile(u"\\Temp\\Product", std::string_view(reinterpret_cast<const char*>(data), size));
  {
    System::IO::ResourcePackage package("\\Temp\\Product");
    const std::span<const System::IO::PackageEntry> entries = package.Entries();
    fuzz::Check(entries.empty() || entries.data() != nullptr, "entries are missing");
    std::int64_t dataBytes = 0;
    for (const System::IO::PackageEntry& entry : entries) {
      fuzz::Check(std::strlen(entry.name) <= System::IO::kMaxEntryNameLength, "a name too long");
      fuzz::Check(entry.size >= 0, "a negative size");
      dataBytes += entry.size;
      const System::IO::PackageEntry* found = package.FindEntry(entry.name);
      fuzz::Check(found != nullptr && found <= &entry && std::strcmp(found->name, entry.name) == 0,
                  "an entry is not found by its name, or a later one is");
      const AnsiString text = package.ReadEntry(entry.name);
      fuzz::Check(text.length == found->size, "ReadEntry gave another length");
      ExtractEntry(package, AnsiString(entry.name), String(u"\\Temp\\Out\\entry"));
    }
    fuzz::Check(dataBytes <= static_cast<std::int64_t>(size), "entries hold more than the file");
  }
  DeleteFileW(u"\\Temp\\Out\\entry");
  DeleteFileW(u"\\Temp\\Product");
  device.CheckNothingOutside();
  return 0;
}
