// Reading shell link files (.lnk) through the shell's own IShellLinkW, for tests.
#pragma once

#include <string>

namespace test {

struct ShellLinkTarget {
  std::wstring path;       // the program, as stored: "<unreadable>" when the link is not
  std::wstring arguments;  // a readable shell link
};

ShellLinkTarget ReadShellLink(const std::wstring& linkPath);

// Paths compared as Windows compares file names: without regard to case.
bool SamePath(const std::wstring& left, const std::wstring& right);

}  // namespace test
