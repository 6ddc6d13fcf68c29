// Gzip expansion of arbitrary bytes: a delivered file on the device expanded into the
// package file beside it, as the driver does it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_device.h"
#include "package/gzip_expansion.h"
#include "platform/ce.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzDevice& device = fuzz::FuzzDevice::Get();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  device.WriteFile("Temp/Product.gz", bytes);

  const String delivered(u"\\Temp\\Product.gz");
  const String package = StripExtension(delivered);
  const std::int32_t result = ExpandGzipFile(delivered, package);
  fuzz::Check(result == 0 || result == 1, "a result other than 0 or 1");

  // Without the gzip signature the file is copied unchanged.
  if (size > 0 && data[0] != 0x1f && result == 1) {
    ce::FILE* file = ce::fopen("\\Temp\\Product", "rb");
    fuzz::Check(file != nullptr, "the package file is missing");
    std::string copy(size + 1, '\0');
    const std::size_t read = ce::fread(copy.data(), 1, copy.size(), file);
    ce::fclose(file);
    fuzz::Check(std::string_view(copy.data(), read) == bytes,
                "a plain file was not copied unchanged");
  }
  DeleteFileW(u"\\Temp\\Product");
  DeleteFileW(u"\\Temp\\Product.gz");
  device.CheckNothingOutside();
  return 0;
}
