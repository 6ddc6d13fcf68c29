// TempDrive: a throw-away drive for tests on Windows, made the current drive.
//
// The drive is named by the environment variable UPDATER_TEST_DRIVE ("T:"); its root must
// hold the file "updater-test-drive", which marks it as disposable (the test runner maps
// the drive to a temporary folder; under Wine, cmake/WineTestDrive.cmake does). The
// constructor empties the drive, makes "\Temp" and the special folders (in CE's form, on
// this drive) and makes the drive's root the current folder; the destructor restores the
// current folder and empties the drive. Paths given to the helpers are CE paths, rooted
// at a backslash; the helpers use the real Win32 calls and throw std::runtime_error when
// they fail. Tests that use a TempDrive must not run at the same time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace test {

class TempDrive {
 public:
  TempDrive();
  TempDrive(const TempDrive&) = delete;
  TempDrive& operator=(const TempDrive&) = delete;
  ~TempDrive();

  // "T:\Temp\a.gz" for "\Temp\a.gz".
  std::wstring Path(std::wstring_view cePath) const;

  // Writes a file, creating missing folders.
  void WriteFile(std::wstring_view cePath, std::string_view content) const;
  std::string ReadFile(std::wstring_view cePath) const;
  bool Exists(std::wstring_view cePath) const;
  void MakeFolders(std::wstring_view cePath) const;
  // Names in a folder, "." and ".." left out, sorted.
  std::vector<std::wstring> List(std::wstring_view cePath) const;

 private:
  std::wstring drive_;  // "T:"
  std::wstring previousFolder_;
};

}  // namespace test
