// Whole files read and written with the Win32 calls, for tests. Both throw
// std::runtime_error when Windows refuses.
#pragma once

#include <string>
#include <string_view>

namespace test {

std::string ReadWholeFile(const std::wstring& path);
// Creates or truncates the file; its folder must exist.
void WriteWholeFile(const std::wstring& path, std::string_view content);

}  // namespace test
