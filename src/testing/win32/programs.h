// Starting the programs under test on Windows and waiting for them.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "testing/win32/scoped_handle.h"

namespace test {

// The full path of `fileName` in the folder of the running program: the build puts
// every program of the project in one folder.
std::wstring ProgramBesideThisOne(std::wstring_view fileName);

// Starts `program` with the command line `"program" arguments` in `currentDirectory`
// (the inherited one when empty). Throws std::runtime_error when it cannot be started.
ScopedHandle StartProgram(const std::wstring& program, const std::wstring& arguments,
                          const std::wstring& currentDirectory = {});

// Waits for the process to end (at most two minutes) and gives its exit code. Throws
// std::runtime_error when it does not end in time.
DWORD WaitForExit(const ScopedHandle& process);

// StartProgram, then WaitForExit.
DWORD RunProgram(const std::wstring& program, const std::wstring& arguments,
                 const std::wstring& currentDirectory = {});

// Text in UTF-8, for messages and logs.
std::string Utf8(std::wstring_view text);

}  // namespace test
