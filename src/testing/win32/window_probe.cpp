// window_probe: a stand-in application for the tests on Windows.
//
//   window_probe [-window TITLE | -holdMutex NAME]
//
// Appends to the file "<its own path>.log" one line for each thing it sees, written
// whole with one append so that several probes may share a log:
//   commandLine TEXT           the text after its own path, as WinMain got it
//   registered N               the number of the message "Kelmora.CloseApp"
//   message N WPARAM LPARAM    each message its window procedure receives
//   holding N                  it owns the mutex NAME; N is GetLastError of CreateMutexW
// With -window it registers "Kelmora.CloseApp", creates a top-level window (hidden) with
// the title and runs until the window is closed, or for at most two minutes; WM_CLOSE
// closes it as it would close an application. With -holdMutex it takes the named mutex
// and keeps it until it is ended, or for at most two minutes, never releasing it.
// Without either the probe exits at once.
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

// The text after `option` and a space at the start of the command line, without
// surrounding quotes; empty when the command line does not start so.
std::wstring ValueOf(std::wstring_view option, const wchar_t* commandLine) {
  std::wstring_view text(commandLine);
  if (text.substr(0, option.size()) != option || text.substr(option.size(), 1) != L" ") {
    return {};
  }
  text.remove_prefix(option.size() + 1);
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

int HoldMutex(const std::wstring& name) {
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) return 1;
  const DWORD created = GetLastError();
  if (WaitForSingleObject(mutex, INFINITE) != WAIT_OBJECT_0) return 1;
  Log("holding " + std::to_string(created));
  Sleep(kLifetimeMilliseconds);
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPWSTR commandLine,
                    int /*showCommand*/) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  logPath = std::wstring(self) + L".log";
  Log("commandLine " + test::Utf8(commandLine));
  if (const std::wstring name = ValueOf(L"-holdMutex", commandLine); !name.empty()) {
    return HoldMutex(name);
  }
  const std::wstring title = ValueOf(L"-window", commandLine);
  return title.empty() ? 0 : RunWindow(instance, title);
}
