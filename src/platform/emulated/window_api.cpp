// The CE window calls on the current device's window table.
#include <optional>

#include "device.h"
#include "platform/ce.h"
#include "window_table.h"

namespace {

std::optional<std::u16string> Optional(LPCWSTR text) {
  if (text == nullptr) return std::nullopt;
  return std::u16string(text);
}

}  // namespace

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
  std::int64_t handle = 0;
  const emu::Status status =
      emu::FindTopWindow(*emu::CurrentDevice(), Optional(className), Optional(windowName), &handle);
  if (!status.ok()) {
    status.Report();
    return nullptr;
  }
  // Like Windows, finding nothing is no error of its own.
  if (handle == 0) SetLastError(ERROR_SUCCESS);
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle));
}

UINT RegisterWindowMessageW(LPCWSTR name) {
  if (name == nullptr || *name == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  UINT message = 0;
  if (!emu::RegisterMessage(*emu::CurrentDevice(), name, &message).Report()) return 0;
  return message;
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto handle = static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(window));
  return emu::DeliverMessage(*emu::CurrentDevice(), handle, message, wParam, lParam).Report()
             ? TRUE
             : FALSE;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // No window procedure runs on the device: the result of a delivered message is 0.
  PostMessageW(window, message, wParam, lParam);
  return 0;
}
