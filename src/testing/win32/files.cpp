#include "testing/win32/files.h"

#include <windows.h>

#include <stdexcept>

#include "testing/win32/programs.h"
#include "testing/win32/scoped_handle.h"

namespace test {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::wstring& path) {
  throw std::runtime_error(what + " " + Utf8(path) + ": error " + std::to_string(GetLastError()));
}

}  // namespace

std::string ReadWholeFile(const std::wstring& path) {
  const ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.valid()) Fail("cannot open", path);
  std::string content;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
    content.append(buffer, read);
  }
  return content;
}

void WriteWholeFile(const std::wstring& path, std::string_view content) {
  const ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) Fail("cannot create", path);
  DWORD written = 0;
  if (!WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                 nullptr) ||
      written != content.size()) {
    Fail("cannot write", path);
  }
}

}  // namespace test
