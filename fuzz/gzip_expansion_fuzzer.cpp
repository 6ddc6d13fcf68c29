// Gzip expansion of arbitrary bytes: a delivered file on the device expanded into the
// package file beside it, as the driver does it.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_device.h"
#include "package/gzip_expansion.h"
#include "platform/ce.h"

namespace {

// zlib is not instrumented, so libFuzzer would see the same few edges for every input
// and keep almost none. These counters tell it what an input did instead: its result
// and the order of magnitude of the bytes it expanded to.
__attribute__((section("__libfuzzer_extra_counters"))) std::uint8_t outcomes[2][64];

// At most `limit` bytes of the package file, and its size in `size`.
std::string ReadPackage(std::size_t limit, long& size) {
  std::string bytes(limit, '\0');
  size = 0;
  ce::FILE* file = ce::fopen("\\Temp\\Product", "rb");
  if (file == nullptr) return std::string();
  bytes.resize(ce::fread(bytes.data(), 1, bytes.size(), file));
  ce::fseek(file, 0, SEEK_END);
  size = ce::ftell(file);
  ce::fclose(file);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzDevice& device = fuzz::FuzzDevice::Get();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  device.WriteFile(u"\\Temp\\Product.gz", bytes);

  const String delivered(u"\\Temp\\Product.gz");
  const String package = StripExtension(delivered);
  const std::int32_t result = ExpandGzipFile(delivered, package);
  fuzz::Check(result == 0 || result == 1, "a result other than 0 or 1");
  long expandedSize = 0;
  const std::string expanded = ReadPackage(size + 1, expandedSize);
  outcomes[result][std::bit_width(static_cast<unsigned long>(expandedSize)) % 64]++;

  // Without the gzip signature the file is copied unchanged.
  if (size > 0 && data[0] != 0x1f && result == 1) {
    fuzz::Check(expanded == bytes, "a plain file was not copied unchanged");
  }
  DeleteFileW(u"\\Temp\\Product");
  DeleteFileW(u"\\Temp\\Product.gz");
  device.CheckNothingOutside();
  return 0;
}
