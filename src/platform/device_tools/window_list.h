// The device's window list as devicectl and tests keep it: windows that stand for running
// applications, added by hand and never removed (window_table.h has what the CE calls
// find and send to). Handles are numbers above 0x10000, given in order of creation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device.h"
#include "status.h"

namespace emu {

struct Window {
  std::int64_t handle = 0;
  std::u16string className;
  std::u16string title;
};

Status AddWindow(Device& device, std::u16string_view title, std::u16string_view className,
                 std::int64_t* handle);
// In order of creation.
Status ListWindows(Device& device, std::vector<Window>* windows);

}  // namespace emu
