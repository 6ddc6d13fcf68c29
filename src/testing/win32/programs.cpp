#include "testing/win32/programs.h"

#include <stdexcept>

namespace test {

namespace {

constexpr DWORD kExitWaitMilliseconds = 120'000;

}  // namespace

std::wstring ProgramBesideThisOne(std::wstring_view fileName) {
  std::wstring path(MAX_PATH, L'\0');
  DWORD length = 0;
  while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
         path.size()) {
    path.resize(path.size() * 2);
  }
  path.resize(length);
  path.resize(path.rfind(L'\\') + 1);
  return path.append(fileName);
}

ScopedHandle StartProgram(const std::wstring& program, const std::wstring& arguments,
                          const std::wstring& currentDirectory) {
  std::wstring commandLine = L"\"" + program + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW startupInfo{};
  startupInfo.cb = sizeof startupInfo;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startupInfo,
                      &started)) {
    throw std::runtime_error("cannot start " + Utf8(program) + ": error " +
                             std::to_string(GetLastError()));
  }
  CloseHandle(started.hThread);
  return ScopedHandle(started.hProcess);
}

DWORD WaitForExit(const ScopedHandle& process) {
  if (WaitForSingleObject(process.get(), kExitWaitMilliseconds) != WAIT_OBJECT_0) {
    throw std::runtime_error("a started program did not end");
  }
  DWORD exitCode = 0;
  GetExitCodeProcess(process.get(), &exitCode);
  return exitCode;
}

DWORD RunProgram(const std::wstring& program, const std::wstring& arguments,
                 const std::wstring& currentDirectory) {
  return WaitForExit(StartProgram(program, arguments, currentDirectory));
}

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

}  // namespace test
