// window_probe: a stand-in application for the tests on Windows.
//
//   window_probe [-window TITLE]
//
// Appends to the file "<its own path>.log" one line for each thing it sees, written
// whole with one append so that several probes may share a log:
//   commandLine TEXT           the text after its own path, as WinMain got it
//   registered N               the number of the message "Kelmora.CloseApp"
//   message N WPARAM LPARAM    each message its window procedure receives
// With -window it registers "Kelmora.CloseApp", creates a top-level window (hidden) with
// the title and runs until the window is closed, or for at most two minutes; WM_CLOSE
// closes it as it would close an application. Without it the probe exits at once.
#include <windows.h>

#include <cwchar>
#include <string>

#include "testing/win32/programs.h"

namespace {

constexpr UINT kLifetimeMilliseconds = 120'000;

std::wstring logPath;

void Log(const std::string& line) {
  const HANDLE file = CreateFileW(logPath.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Log("message " + std::to_string(message) + " " + std::to_string(wParam) + " " +
      std::to_string(lParam));
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

// The window's title: the text after "-window ", without surrounding quotes.
std::wstring TitleFrom(const wchar_t* commandLine) {
  constexpr std::wstring_view kSwitch = L"-window ";
  std::wstring_view text(commandLine);
  if (text.substr(0, kSwitch.size()) != kSwitch) return {};
  text.remove_prefix(kSwitch.size());
  if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') {
    text = text.substr(1, text.size() - 2);
  }
  return std::wstring(text);
}

int RunWindow(HINSTANCE instance, const std::wstring& title) {
  const UINT closeRequest = RegisterWindowMessageW(L"Kelmora.CloseApp");
  Log("registered " + std::to_string(closeRequest));
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"KelmoraWindowProbe";
  if (RegisterClassW(&windowClass) == 0) return 1;
  const HWND window =
      CreateWindowExW(0, windowClass.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW,
                      CW_USEDEFAULT, CW_USEDEFAULT, 200, 100, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  // A thread timer, so that it never reaches the window procedure.
  SetTimer(nullptr, 0, kLifetimeMilliseconds, nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.hwnd == nullptr && message.message == WM_TIMER) break;
    DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPWSTR commandLine,
                    int /*showCommand*/) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  logPath = std::wstring(self) + L".log";
  Log("commandLine " + test::Utf8(commandLine));
  const std::wstring title = TitleFrom(commandLine);
  return title.empty() ? 0 : RunWindow(instance, title);
}
