// Starting programs with CE's CreateProcessW arguments on desktop Windows.
//
// CE hands the new process `commandLine` as it is; the desktop hands it the whole
// command line and its run-time takes the first word for the program's own path. So the
// desktop command line is the program's path in double quotes, then the arguments.
#include <windows.h>

#include <cwchar>
#include <string>

#include "platform/win32_adaptations.h"

namespace ce::win32 {

BOOL StartProgram(LPCWSTR applicationName, LPWSTR commandLine,
                  SECURITY_ATTRIBUTES* processAttributes, SECURITY_ATTRIBUTES* threadAttributes,
                  BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                  LPCWSTR currentDirectory, STARTUPINFOW* startupInfo,
                  PROCESS_INFORMATION* processInformation) {
  STARTUPINFOW defaultStartupInfo{};
  defaultStartupInfo.cb = sizeof defaultStartupInfo;
  if (startupInfo == nullptr) startupInfo = &defaultStartupInfo;
  if (applicationName == nullptr) {
    return ::CreateProcessW(nullptr, commandLine, processAttributes, threadAttributes,
                            inheritHandles, creationFlags, environment, currentDirectory,
                            startupInfo, processInformation);
  }

  std::wstring desktopCommandLine = L"\"";
  desktopCommandLine += applicationName;
  desktopCommandLine += L'"';
  if (commandLine != nullptr && commandLine[0] != 0) {
    desktopCommandLine += L' ';
    desktopCommandLine += commandLine;
  }
  // A bare name is looked for the way the desktop looks for the first word of a command
  // line; a path names the program file itself.
  const bool bareName = std::wcschr(applicationName, L'\\') == nullptr;
  return ::CreateProcessW(bareName ? nullptr : applicationName, desktopCommandLine.data(),
                          processAttributes, threadAttributes, inheritHandles, creationFlags,
                          environment, currentDirectory, startupInfo, processInformation);
}

}  // namespace ce::win32
