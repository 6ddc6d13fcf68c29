#include "platform/ce.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/win32/programs.h"
#include "testing/win32/shell_links.h"

namespace {

std::wstring Folder(int id) {
  wchar_t path[MAX_PATH] = L"<untouched>";
  if (!SHGetSpecialFolderPath(nullptr, path, id, FALSE)) return L"<failed>";
  return path;
}

TEST(SpecialFoldersTest, FoldersComeWithoutTheirDrive) {
  EXPECT_TRUE(test::SamePath(Folder(CSIDL_PROGRAM_FILES), L"\\Program Files"))
      << test::Utf8(Folder(CSIDL_PROGRAM_FILES));
  EXPECT_TRUE(test::SamePath(Folder(CSIDL_WINDOWS), L"\\Windows"))
      << test::Utf8(Folder(CSIDL_WINDOWS));
  const std::wstring programs = Folder(CSIDL_PROGRAMS);
  EXPECT_EQ(programs.substr(0, 1), L"\\");
  EXPECT_EQ(programs.find(L':'), std::wstring::npos);
  const std::wstring tail = L"\\Start Menu\\Programs";
  ASSERT_GT(programs.size(), tail.size());
  EXPECT_TRUE(test::SamePath(programs.substr(programs.size() - tail.size()), tail))
      << test::Utf8(programs);
}

TEST(SpecialFoldersTest, AnUnknownFolderFails) { EXPECT_EQ(Folder(0x7F), L"<failed>"); }

}  // namespace
