// The device's top-level windows and registered window messages, kept in the device
// database so that every process of the device sees the same ones.
//
// Windows stand for running applications; they are added by devicectl or tests
// (window_list.h) and never removed. Handles are numbers above 0x10000, given in order of
// creation. Registered messages get numbers from 0xC000 upwards, one per name (compared
// without regard to case), the same in every process. Sending a message adds it to the
// journal.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "device.h"
#include "platform/ce.h"
#include "status.h"

namespace emu {

constexpr std::int64_t kBroadcastHandle = 0xFFFF;

// The first window, in order of creation, whose title and class equal the given ones
// without regard to case; a missing one matches any. *handle is 0 when none does.
Status FindTopWindow(Device& device, const std::optional<std::u16string>& className,
                     const std::optional<std::u16string>& title, std::int64_t* handle);

// REQUIRES: `name` is not empty.
Status RegisterMessage(Device& device, std::u16string_view name, UINT* message);

// Records the message to a window or to kBroadcastHandle in the journal; a handle that is
// no window fails with ERROR_INVALID_WINDOW_HANDLE and records nothing.
Status DeliverMessage(Device& device, std::int64_t hwnd, UINT message, WPARAM wParam,
                      LPARAM lParam);

}  // namespace emu
