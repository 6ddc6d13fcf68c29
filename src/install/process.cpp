#include "install/process.h"

#include "system/wide_string.h"

bool StartProcess(const WCHAR* application, const WCHAR* commandLine) {
  // The platform may write into the command line, so it gets a copy of its own.
  String writableCommandLine(commandLine);
  PROCESS_INFORMATION started{};
  if (CreateProcessW(application, writableCommandLine.data, nullptr, nullptr, FALSE, 0, nullptr,
                     nullptr, nullptr, &started) == 0) {
    return false;
  }
  CloseHandle(started.hProcess);
  CloseHandle(started.hThread);
  return true;
}
