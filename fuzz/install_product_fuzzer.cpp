// A whole installation of arbitrary bytes delivered as a product: the updater's main job
// on a throw-away device, with host execution of programs off.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "driver/updater_main.h"
#include "fuzz_device.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzDevice& device = fuzz::FuzzDevice::Get();
  device.Reset();
  device.WriteFile(u"\\Temp\\Product.gz",
                   std::string_view(reinterpret_cast<const char*>(data), size));
  UpdaterMain(u"-unpackProduct \\Temp");
  device.CheckNothingOutside();
  return 0;
}
