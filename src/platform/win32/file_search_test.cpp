#include "platform/ce.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "testing/win32/temp_drive.h"

namespace {

// Names found by the CE search, sorted (the order is the file system's), or "<none>"
// and the error.
std::vector<std::wstring> Find(const wchar_t* pattern) {
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW(pattern, &entry);
  if (search == INVALID_HANDLE_VALUE) return {L"<none>", std::to_wstring(GetLastError())};
  std::vector<std::wstring> names;
  do {
    names.emplace_back(entry.cFileName);
  } while (FindNextFileW(search, &entry));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

const std::wstring kNotFound = std::to_wstring(ERROR_FILE_NOT_FOUND);

class FileSearchTest : public ::testing::Test {
 protected:
  test::TempDrive drive_;
};

TEST_F(FileSearchTest, NeverReportsTheDotEntries) {
  drive_.WriteFile(L"\\Temp\\a.gz", "");
  drive_.MakeFolders(L"\\Temp\\Sub");
  drive_.MakeFolders(L"\\Temp\\Empty");
  EXPECT_EQ(Find(L"\\Temp\\*"), (std::vector<std::wstring>{L"Empty", L"Sub", L"a.gz"}));
  EXPECT_EQ(Find(L"\\Temp\\Empty\\*"), (std::vector<std::wstring>{L"<none>", kNotFound}));
  EXPECT_EQ(Find(L"\\Temp\\*.*"), (std::vector<std::wstring>{L"Empty", L"Sub", L"a.gz"}));
}

TEST_F(FileSearchTest, PatternsMatchWholeExtensionsWithoutRegardToCase) {
  for (const wchar_t* name :
       {L"\\Temp\\a.gz", L"\\Temp\\B.GZ", L"\\Temp\\c.gzip", L"\\Temp\\d.tgz"}) {
    drive_.WriteFile(name, "");
  }
  EXPECT_EQ(Find(L"\\Temp\\*.gz"), (std::vector<std::wstring>{L"B.GZ", L"a.gz"}));
  EXPECT_EQ(Find(L"\\temp\\?.GZ"), (std::vector<std::wstring>{L"B.GZ", L"a.gz"}));
}

TEST_F(FileSearchTest, APathWithoutWildcardsFindsThatEntry) {
  drive_.WriteFile(L"\\Temp\\a.gz", "");
  EXPECT_EQ(Find(L"\\TEMP\\A.GZ"), (std::vector<std::wstring>{L"a.gz"}));
  EXPECT_EQ(Find(L"\\Temp"), (std::vector<std::wstring>{L"Temp"}));
  EXPECT_EQ(Find(L"\\Temp\\b.gz"), (std::vector<std::wstring>{L"<none>", kNotFound}));
  // A search path ending in a separator, the root included, finds nothing.
  EXPECT_EQ(Find(L"\\Temp\\"), (std::vector<std::wstring>{L"<none>", kNotFound}));
  EXPECT_EQ(Find(L"\\"), (std::vector<std::wstring>{L"<none>", kNotFound}));
}

TEST_F(FileSearchTest, ReportsTheHiddenAndFolderAttributes) {
  drive_.WriteFile(L"\\Temp\\a.gz", "");
  drive_.MakeFolders(L"\\Temp\\Sub");
  ASSERT_TRUE(SetFileAttributesW(L"\\Temp\\a.gz", FILE_ATTRIBUTE_HIDDEN));
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(L"\\Temp\\a.gz", &entry);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_NE(entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN, 0u);
  FindClose(search);
  search = FindFirstFileW(L"\\Temp\\Sub", &entry);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_NE(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  FindClose(search);
}

TEST_F(FileSearchTest, RootedPathsLieOnTheCurrentDrive) {
  EXPECT_TRUE(CreateDirectoryW(L"\\Made", nullptr));
  EXPECT_FALSE(CreateDirectoryW(L"\\Made", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(CreateDirectoryW(L"\\Missing\\Made", nullptr));
  EXPECT_TRUE(drive_.Exists(L"\\Made"));

  ce::FILE* const file = ce::fopen("\\Made\\data.bin", "w+b");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(ce::fwrite("bytes", 1, 5, file), 5u);
  ce::fclose(file);
  EXPECT_EQ(drive_.ReadFile(L"\\Made\\data.bin"), "bytes");
  EXPECT_TRUE(DeleteFileW(L"\\Made\\data.bin"));
  EXPECT_FALSE(DeleteFileW(L"\\Made"));  // files only
  EXPECT_FALSE(drive_.Exists(L"\\Made\\data.bin"));
}

}  // namespace
