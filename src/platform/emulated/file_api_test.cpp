#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "code_page.h"
#include "platform/ce.h"
#include "testing/temp_device.h"

namespace {

// The names a search reports, in order, with "/" after folders and "(h)" after hidden
// entries; "error N" when the search fails.
std::string Find(const std::u16string& path) {
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(path.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return "error " + std::to_string(GetLastError());
  std::string names;
  do {
    if (!names.empty()) names += " ";
    names += emu::Utf16ToUtf8(data.cFileName);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) names += "/";
    if (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) names += "(h)";
  } while (FindNextFileW(search, &data));
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  EXPECT_EQ(FindClose(search), TRUE);
  return names;
}

bool HostSupportsUserXattrs(const std::string& path) {
  return ::setxattr(path.c_str(), "user.probe", "1", 1, 0) == 0 &&
         ::removexattr(path.c_str(), "user.probe") == 0;
}

class FileApiTest : public ::testing::Test {
 protected:
  test::TempDevice device_;
};

TEST_F(FileApiTest, LookupIgnoresCaseAndKeepsTheCreatedCase) {
  ASSERT_EQ(CreateDirectoryW(u"\\Temp\\MixedCase", nullptr), TRUE);
  FILE* file = ce::fopen("\\TEMP\\mixedcase\\Data.Bin", "wb");
  ASSERT_NE(file, nullptr);
  ce::fclose(file);
  EXPECT_EQ(device_.ListFiles(u"\\Temp\\MixedCase"), std::vector<std::string>{"Data.Bin"});
  EXPECT_EQ(Find(u"\\temp\\MIXEDCASE\\data.bin"), "Data.Bin");
  // Latin-1 letters fold too.
  device_.WriteFile(u"\\Temp\\\u00e9t\u00e9.txt", "x");
  EXPECT_EQ(Find(u"\\Temp\\\u00c9T\u00c9.TXT"), "\u00e9t\u00e9.txt");
  // Rewriting through another spelling keeps the first one.
  file = ce::fopen("\\temp\\MIXEDCASE\\DATA.BIN", "w+b");
  ASSERT_NE(file, nullptr);
  ce::fclose(file);
  EXPECT_EQ(device_.ListFiles(u"\\Temp\\MixedCase"), std::vector<std::string>{"Data.Bin"});
  EXPECT_EQ(CreateDirectoryW(u"\\TEMP\\MIXEDCASE", nullptr), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
}

TEST_F(FileApiTest, WildcardsMatchTheLastComponentIgnoringCase) {
  device_.WriteFile(u"\\Temp\\a.gz", "");
  device_.WriteFile(u"\\Temp\\B.GZ", "");
  device_.WriteFile(u"\\Temp\\a.gzip", "");
  device_.WriteFile(u"\\Temp\\x.gz\\inside.gz", "");
  device_.WriteFile(u"\\Temp\\gz", "");
  EXPECT_EQ(Find(u"\\Temp\\*.gz"), "a.gz B.GZ x.gz/");
  EXPECT_EQ(Find(u"\\Temp\\?.GZ"), "a.gz B.GZ x.gz/");
  EXPECT_EQ(Find(u"\\Temp\\*.*"), "a.gz a.gzip B.GZ gz x.gz/");
  EXPECT_EQ(Find(u"\\Temp\\*.zip"), "error 2");
  EXPECT_EQ(Find(u"\\Temp\\x.gz"), "x.gz/");
  EXPECT_EQ(Find(u"\\Temp\\X.GZ\\*"), "inside.gz");
  EXPECT_EQ(Find(u"\\Missing\\*.gz"), "error 3");
  EXPECT_EQ(Find(u"\\Temp\\a*\\*"), "error 123");
}

TEST_F(FileApiTest, EntriesComeInOrderIgnoringCaseTiesOrdinal) {
  for (const char16_t* name : {u"b", u"A", u"a", u"_x", u"C", u"\u00e0", u"Z"}) {
    device_.WriteFile(std::u16string(u"\\Temp\\") + name, "");
  }
  // Folded: A A B C Z _ À; "A" before "a" by ordinal order.
  EXPECT_EQ(Find(u"\\Temp\\*"), "A a b C Z _x \u00e0");
}

TEST_F(FileApiTest, SearchPathEndingWithASeparatorFindsNothing) {
  EXPECT_EQ(Find(u"\\"), "error 2");
  EXPECT_EQ(Find(u"\\Temp\\"), "error 2");
  EXPECT_EQ(Find(u"/Temp/"), "error 2");
  EXPECT_EQ(Find(u""), "error 2");
  EXPECT_EQ(Find(u"\\Temp"), "Temp/");
  EXPECT_EQ(Find(u"Temp"), "Temp/");  // taken from the root
  EXPECT_EQ(Find(u"\\\\Windows//Start Menu\\.\\Programs"), "Programs/");
}

TEST_F(FileApiTest, HiddenByDotNameOrByAttribute) {
  ASSERT_TRUE(HostSupportsUserXattrs(device_.HostPath(u"\\Temp")))
      << "the host file system keeps no user extended attributes: hidden attributes "
         "other than dot-names cannot be stored";
  device_.WriteFile(u"\\Temp\\.dot", "");
  device_.WriteFile(u"\\Temp\\plain.txt", "");
  device_.WriteFile(u"\\Temp\\samba.txt", "");
  const std::string samba = device_.HostPath(u"\\Temp\\samba.txt");
  ASSERT_EQ(::setxattr(samba.c_str(), "user.DOSATTRIB", "0x22", 4, 0), 0);
  EXPECT_EQ(Find(u"\\Temp\\*"), ".dot(h) plain.txt samba.txt(h)");
  EXPECT_EQ(GetFileAttributesW(u"\\Temp\\samba.txt"),
            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributesW(u"\\Temp\\plain.txt"), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(GetFileAttributesW(u"\\Temp"), FILE_ATTRIBUTE_DIRECTORY);

  ASSERT_EQ(SetFileAttributesW(u"\\temp\\PLAIN.TXT", FILE_ATTRIBUTE_HIDDEN), TRUE);
  char text[16] = {};
  ASSERT_GT(::getxattr(device_.HostPath(u"\\Temp\\plain.txt").c_str(), "user.DOSATTRIB", text,
                       sizeof text - 1),
            0);
  EXPECT_STREQ(text, "0x2");
  ASSERT_EQ(SetFileAttributesW(u"\\Temp\\samba.txt", FILE_ATTRIBUTE_NORMAL), TRUE);
  ASSERT_EQ(SetFileAttributesW(u"\\Temp\\.dot", FILE_ATTRIBUTE_NORMAL), TRUE);
  EXPECT_EQ(Find(u"\\Temp\\*"), ".dot(h) plain.txt(h) samba.txt");
  // Folders take the attribute too.
  ASSERT_EQ(SetFileAttributesW(u"\\Temp", FILE_ATTRIBUTE_HIDDEN), TRUE);
  EXPECT_EQ(GetFileAttributesW(u"\\Temp"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(FileApiTest, CreateDirectoryNeedsAParentAndANewName) {
  EXPECT_EQ(CreateDirectoryW(u"\\Missing\\Sub", nullptr), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(CreateDirectoryW(u"\\Windows", nullptr), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(CreateDirectoryW(u"\\", nullptr), FALSE);
  device_.WriteFile(u"\\Temp\\file", "");
  EXPECT_EQ(CreateDirectoryW(u"\\Temp\\file", nullptr), FALSE);
  EXPECT_EQ(CreateDirectoryW(u"\\Temp\\file\\sub", nullptr), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(CreateDirectoryW(u"\\Temp\\New\\", nullptr), TRUE);
  EXPECT_EQ(Find(u"\\Temp\\New"), "New/");
}

TEST_F(FileApiTest, DeleteFileDeletesFilesOnly) {
  device_.WriteFile(u"\\Temp\\a.txt", "x");
  EXPECT_EQ(DeleteFileW(u"\\Temp"), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(DeleteFileW(u"\\Temp\\b.txt"), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(DeleteFileW(u"\\Nowhere\\b.txt"), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  ASSERT_EQ(SetFileAttributesW(u"\\Temp\\a.txt", FILE_ATTRIBUTE_READONLY), TRUE);
  EXPECT_EQ(DeleteFileW(u"\\Temp\\a.txt"), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(ce::fopen("\\Temp\\a.txt", "r+b"), nullptr);
  ASSERT_EQ(SetFileAttributesW(u"\\Temp\\a.txt", FILE_ATTRIBUTE_NORMAL), TRUE);
  EXPECT_EQ(DeleteFileW(u"\\TEMP\\A.TXT"), TRUE);
  EXPECT_FALSE(device_.Exists(u"\\Temp\\a.txt"));
}

TEST_F(FileApiTest, FindDataHoldsSizeAndTimes) {
  device_.WriteFile(u"\\Temp\\five.bin", "12345");
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(u"\\Temp\\five.bin", &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.nFileSizeLow, 5u);
  EXPECT_EQ(data.nFileSizeHigh, 0u);
  // After 2001 in 100-nanosecond units since 1601.
  EXPECT_GT(data.ftLastWriteTime.dwHighDateTime, 0x01C00000u);
  FindClose(search);
  EXPECT_EQ(FindClose(search), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(FileApiTest, MoveFileRenamesFilesAndFoldersAcrossFolders) {
  device_.WriteFile(u"\\Temp\\a.txt", "file");
  device_.WriteFile(u"\\Temp\\Dir\\inner.txt", "inner");
  // Looked up in another case before the move: no stale answer afterwards.
  EXPECT_EQ(GetFileAttributesW(u"\\Windows\\MOVED.TXT"), INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(MoveFileW(u"\\TEMP\\A.TXT", u"\\Windows\\Moved.txt"), TRUE);
  ASSERT_EQ(MoveFileW(u"\\Temp\\dir", u"\\Program Files\\Folder"), TRUE);
  EXPECT_EQ(Find(u"\\Temp\\*"), "error 2");
  EXPECT_EQ(GetFileAttributesW(u"\\temp\\A.TXT"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(device_.ReadFile(u"\\Windows\\Moved.txt"), "file");
  EXPECT_EQ(GetFileAttributesW(u"\\windows\\MOVED.TXT"), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(Find(u"\\Program Files\\folder\\*"), "inner.txt");
  EXPECT_EQ(device_.ReadFile(u"\\Program Files\\Folder\\inner.txt"), "inner");

  // Another case of an entry's own name, for a file and a folder.
  ASSERT_EQ(MoveFileW(u"\\Windows\\moved.txt", u"\\Windows\\MOVED.txt"), TRUE);
  ASSERT_EQ(MoveFileW(u"\\Program Files\\Folder", u"\\Program Files\\FOLDER"), TRUE);
  EXPECT_EQ(Find(u"\\Windows\\moved.*"), "MOVED.txt");
  EXPECT_EQ(Find(u"\\Program Files\\*"), "FOLDER/");
  EXPECT_EQ(device_.ReadFile(u"\\Program Files\\FOLDER\\inner.txt"), "inner");
}

TEST_F(FileApiTest, MoveFileFailsChangingNothing) {
  device_.WriteFile(u"\\Temp\\a.txt", "a");
  device_.WriteFile(u"\\Temp\\b.txt", "b");
  device_.WriteFile(u"\\Temp\\Dir\\inner.txt", "inner");
  device_.WriteFile(u"\\Windows\\B.TXT", "B");
  const std::string before = Find(u"\\Temp\\*") + " | " + Find(u"\\Windows\\*");
  const struct {
    const char16_t* from;
    const char16_t* to;
    DWORD error;
  } cases[] = {
      {u"\\Temp\\a.txt", u"\\Temp\\b.txt", ERROR_ALREADY_EXISTS},
      {u"\\Temp\\a.txt", u"\\Temp\\B.TXT", ERROR_ALREADY_EXISTS},
      {u"\\Temp\\a.txt", u"\\windows\\b.txt", ERROR_ALREADY_EXISTS},
      {u"\\Temp\\a.txt", u"\\Temp\\DIR", ERROR_ALREADY_EXISTS},
      {u"\\Temp\\Dir", u"\\Temp\\A.txt", ERROR_ALREADY_EXISTS},
      {u"\\Temp\\c.txt", u"\\Temp\\d.txt", ERROR_FILE_NOT_FOUND},
      {u"\\Temp\\a.txt", u"\\Missing\\a.txt", ERROR_PATH_NOT_FOUND},
      {u"\\Temp\\a.txt", u"\\Temp\\b.txt\\a.txt", ERROR_PATH_NOT_FOUND},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(emu::Utf16ToUtf8(c.from) + " -> " + emu::Utf16ToUtf8(c.to));
    SetLastError(0);
    EXPECT_EQ(MoveFileW(c.from, c.to), FALSE);
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_EQ(MoveFileW(u"\\Temp\\Dir", u"\\Temp\\Dir\\Sub"), FALSE);  // into itself
  EXPECT_EQ(Find(u"\\Temp\\*") + " | " + Find(u"\\Windows\\*"), before);
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\a.txt") + device_.ReadFile(u"\\Temp\\b.txt") +
                device_.ReadFile(u"\\Windows\\B.TXT") + device_.ReadFile(u"\\Temp\\Dir\\inner.txt"),
            "abBinner");

  // A file this process has open stays where it is, whatever spelling names it.
  FILE* file = ce::fopen("\\Temp\\a.txt", "rb");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(MoveFileW(u"\\TEMP\\X\\..\\A.txt", u"\\Temp\\c.txt"), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(MoveFileW(u"\\Temp\\a.txt", u"\\Temp\\A.TXT"), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(Find(u"\\Temp\\?.txt"), "a.txt b.txt");
  ce::fclose(file);
  EXPECT_EQ(MoveFileW(u"\\Temp\\a.txt", u"\\Temp\\c.txt"), TRUE);

  // So does a file it has just made and still holds.
  FILE* made = ce::fopen("\\Temp\\made.txt", "w+b");
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(MoveFileW(u"\\Temp\\made.txt", u"\\Temp\\e.txt"), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(DeleteAndRenameFile(u"\\Temp\\c.txt", u"\\Temp\\made.txt"), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  ce::fclose(made);
  EXPECT_EQ(MoveFileW(u"\\Temp\\made.txt", u"\\Temp\\e.txt"), TRUE);
}

TEST_F(FileApiTest, DeleteAndRenameFileGivesTheDestinationTheSourcesContent) {
  ASSERT_TRUE(HostSupportsUserXattrs(device_.HostPath(u"\\Temp")));
  device_.WriteFile(u"\\Temp\\Dest.txt", "old");
  device_.WriteFile(u"\\Windows\\new.bin", "new content");
  ASSERT_EQ(SetFileAttributesW(u"\\Temp\\Dest.txt", FILE_ATTRIBUTE_HIDDEN), TRUE);
  ASSERT_EQ(SetFileAttributesW(u"\\Windows\\new.bin", FILE_ATTRIBUTE_SYSTEM), TRUE);
  const std::string destination = device_.HostPath(u"\\Temp\\Dest.txt");
  ASSERT_EQ(::chmod(destination.c_str(), 0755), 0);
  ASSERT_EQ(::chmod(device_.HostPath(u"\\Windows\\new.bin").c_str(), 0600), 0);
  // Stands for a reader in another process, which the sharing rule does not hold back.
  const int reader = ::open(destination.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(reader, 0);

  EXPECT_EQ(DeleteAndRenameFile(u"\\TEMP\\DEST.TXT", u"\\windows\\NEW.BIN"), TRUE);
  EXPECT_EQ(device_.ListFiles(u"\\Temp"), std::vector<std::string>{"Dest.txt"});
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\Dest.txt"), "new content");
  EXPECT_FALSE(device_.Exists(u"\\Windows\\new.bin"));
  EXPECT_EQ(GetFileAttributesW(u"\\Windows\\NEW.BIN"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW(u"\\temp\\dest.txt"), FILE_ATTRIBUTE_HIDDEN);
  struct stat info;
  ASSERT_EQ(::stat(destination.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0755u);
  char old[16] = {};
  EXPECT_EQ(::pread(reader, old, sizeof old, 0), 3);
  EXPECT_STREQ(old, "old");
  ::close(reader);
}

TEST_F(FileApiTest, DeleteAndRenameFileFailsChangingNothing) {
  device_.WriteFile(u"\\Temp\\dest.txt", "dest");
  device_.WriteFile(u"\\Temp\\source.txt", "source");
  device_.WriteFile(u"\\Temp\\locked.txt", "locked");
  device_.WriteFile(u"\\Temp\\open.txt", "open");
  ASSERT_EQ(SetFileAttributesW(u"\\Temp\\locked.txt", FILE_ATTRIBUTE_READONLY), TRUE);
  FILE* open = ce::fopen("\\Temp\\open.txt", "rb");
  ASSERT_NE(open, nullptr);
  const struct {
    const char16_t* destination;
    const char16_t* source;
    DWORD error;
  } cases[] = {
      {u"\\Temp\\missing.txt", u"\\Temp\\source.txt", ERROR_FILE_NOT_FOUND},
      {u"\\Temp\\dest.txt", u"\\Temp\\missing.txt", ERROR_FILE_NOT_FOUND},
      {u"\\Temp", u"\\Temp\\source.txt", ERROR_FILE_NOT_FOUND},
      {u"\\Temp\\dest.txt", u"\\Windows", ERROR_FILE_NOT_FOUND},
      {u"\\Temp\\locked.txt", u"\\Temp\\source.txt", ERROR_ACCESS_DENIED},
      {u"\\Temp\\dest.txt", u"\\TEMP\\DEST.TXT", ERROR_ACCESS_DENIED},  // one file
      {u"\\temp\\OPEN.TXT", u"\\Temp\\source.txt", ERROR_SHARING_VIOLATION},
      {u"\\Temp\\dest.txt", u"\\Temp\\X\\..\\open.txt\\.", ERROR_SHARING_VIOLATION},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(emu::Utf16ToUtf8(c.destination) + " <- " + emu::Utf16ToUtf8(c.source));
    SetLastError(0);
    EXPECT_EQ(DeleteAndRenameFile(c.destination, c.source), FALSE);
    EXPECT_EQ(GetLastError(), c.error);
  }
  ce::fclose(open);
  EXPECT_EQ(Find(u"\\Temp\\*"), "dest.txt locked.txt open.txt source.txt");
  for (const char16_t* name : {u"dest", u"source", u"locked", u"open"}) {
    const std::u16string path = std::u16string(u"\\Temp\\") + name + u".txt";
    EXPECT_EQ(device_.ReadFile(path), emu::Utf16ToUtf8(name));
  }
  EXPECT_EQ(GetFileAttributesW(u"\\Temp\\locked.txt"), FILE_ATTRIBUTE_READONLY);
}

}  // namespace
