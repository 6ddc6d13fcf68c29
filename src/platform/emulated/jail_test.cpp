// The device is a jail: no CE path reaches anything outside fs/. Each test plants
// sentinels beside fs/ (and links to them inside it) and checks afterwards that nothing
// outside fs/ changed.
#include "jail.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "code_page.h"
#include "platform/ce.h"
#include "testing/temp_device.h"

namespace {

namespace fs = std::filesystem;

class JailTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteHostFile(Outside("sentinel.txt"), "sentinel");
    fs::create_directory(Outside("outside"));
    test::WriteHostFile(Outside("outside/victim.txt"), "victim");
    fs::create_directory_symlink(Outside("outside"), device_.HostPath(u"\\Temp\\link"));
    fs::create_symlink(Outside("sentinel.txt"), device_.HostPath(u"\\Temp\\evil.txt"));
    fs::create_directory_symlink("/", device_.HostPath(u"\\hostroot"));
    before_ = Snapshot();
  }
  void TearDown() override { EXPECT_EQ(before_, Snapshot()); }

  std::string Outside(const std::string& name) const { return device_.hostDir() + "/" + name; }

  // Every entry outside fs/ (the database aside): path, type, mode, content, attribute.
  std::string Snapshot() const {
    std::string text;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(device_.hostDir())) {
      const std::string path = entry.path().string();
      const std::string relative = path.substr(device_.hostDir().size());
      if (relative.starts_with("/fs") || relative.starts_with("/device.db")) continue;
      struct stat info;
      ::lstat(path.c_str(), &info);
      text += relative + " mode=" + std::to_string(info.st_mode);
      if (S_ISREG(info.st_mode)) text += " content=" + test::ReadHostFile(path);
      char attribute[64] = {};
      if (::lgetxattr(path.c_str(), "user.DOSATTRIB", attribute, sizeof attribute - 1) > 0) {
        text += std::string(" attribute=") + attribute;
      }
      text += "\n";
    }
    return text;
  }

  test::TempDevice device_;
  std::string before_;
};

TEST_F(JailTest, DotDotNeverClimbsAboveTheRoot) {
  EXPECT_EQ(ce::fopen("\\..\\sentinel.txt", "rb"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  // Written inside the device, at \sentinel.txt.
  FILE* file = ce::fopen("..\\..\\Temp\\..\\..\\sentinel.txt", "wb");
  ASSERT_NE(file, nullptr);
  ce::fclose(file);
  EXPECT_TRUE(device_.Exists(u"\\sentinel.txt"));
  EXPECT_EQ(DeleteFileW(u"\\..\\..\\outside\\victim.txt"), FALSE);
  EXPECT_EQ(CreateDirectoryW(u"..\\..\\outside\\made", nullptr), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(JailTest, HostPathsAreDevicePaths) {
  const std::string sentinel = Outside("sentinel.txt");
  EXPECT_EQ(ce::fopen(sentinel.c_str(), "rb"), nullptr);
  EXPECT_EQ(ce::fopen(sentinel.c_str(), "wb"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(ce::fopen("/etc/passwd", "rb"), nullptr);
  EXPECT_EQ(ce::gzopen("/etc/passwd", "rb"), nullptr);
  // A leading slash is the device root.
  ASSERT_EQ(CreateDirectoryW(u"/tmp", nullptr), TRUE);
  EXPECT_TRUE(device_.Exists(u"\\tmp"));
}

TEST_F(JailTest, LinkedFolderIsAbsentAtEveryDepth) {
  WIN32_FIND_DATAW data;
  for (const char16_t* path :
       {u"\\Temp\\link\\*", u"\\Temp\\LINK\\victim.txt", u"\\hostroot\\etc\\*", u"\\Temp\\link"}) {
    EXPECT_EQ(FindFirstFileW(path, &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileAttributesW(path), INVALID_FILE_ATTRIBUTES);
  }
  EXPECT_EQ(ce::fopen("\\Temp\\link\\victim.txt", "rb"), nullptr);
  EXPECT_EQ(ce::fopen("\\Temp\\link\\victim.txt", "r+b"), nullptr);
  EXPECT_EQ(ce::fopen("\\Temp\\link\\new.txt", "wb"), nullptr);
  EXPECT_EQ(ce::fopen("\\hostroot\\tmp\\new.txt", "w+b"), nullptr);
  EXPECT_EQ(ce::gzopen("\\Temp\\link\\new.gz", "wb"), nullptr);
  EXPECT_EQ(DeleteFileW(u"\\Temp\\link\\victim.txt"), FALSE);
  EXPECT_EQ(CreateDirectoryW(u"\\Temp\\link\\made", nullptr), FALSE);
  EXPECT_EQ(SetFileAttributesW(u"\\Temp\\link\\victim.txt", FILE_ATTRIBUTE_HIDDEN), FALSE);
  EXPECT_EQ(SetFileAttributesW(u"\\Temp\\link", FILE_ATTRIBUTE_HIDDEN), FALSE);
  std::u16string shortcut = u"\\Temp\\link\\a.lnk";
  std::u16string target = u"\\Windows\\a.exe";
  EXPECT_EQ(SHCreateShortcut(shortcut.data(), target.data()), FALSE);
  // Nor does a search of the folder report the links.
  HANDLE search = FindFirstFileW(u"\\Temp\\*", &data);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(JailTest, LinkedFileIsAbsentAndItsNameCannotBeTaken) {
  EXPECT_EQ(GetFileAttributesW(u"\\Temp\\evil.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ce::fopen("\\Temp\\evil.txt", "rb"), nullptr);
  EXPECT_EQ(ce::fopen("\\Temp\\evil.txt", "wb"), nullptr);
  EXPECT_EQ(ce::fopen("\\Temp\\evil.txt", "w+b"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(ce::gzopen("\\Temp\\evil.txt", "wb"), nullptr);
  EXPECT_EQ(DeleteFileW(u"\\Temp\\evil.txt"), FALSE);
  EXPECT_EQ(SetFileAttributesW(u"\\Temp\\evil.txt", FILE_ATTRIBUTE_HIDDEN), FALSE);
  std::u16string shortcut = u"\\Temp\\evil.txt";
  std::u16string target = u"\\Windows\\a.exe";
  EXPECT_EQ(SHCreateShortcut(shortcut.data(), target.data()), FALSE);
  EXPECT_EQ(CreateDirectoryW(u"\\Temp\\evil.txt", nullptr), FALSE);
  EXPECT_TRUE(fs::is_symlink(device_.HostPath(u"\\Temp\\evil.txt")));
  // Another spelling is another host name: a new file inside the device.
  FILE* file = ce::fopen("\\Temp\\EVIL.TXT", "wb");
  ASSERT_NE(file, nullptr);
  ce::fclose(file);
  EXPECT_EQ(device_.ListFiles(u"\\Temp"),
            (std::vector<std::string>{"EVIL.TXT", "evil.txt", "link"}));
}

TEST_F(JailTest, LinkSwappedInForAFolderIsNotFollowed) {
  // A real folder that a call went through, replaced by a link before the next call
  // (deleted, or moved away within the device): the next call sees no folder.
  for (const bool moved : {false, true}) {
    SCOPED_TRACE(moved ? "moved away" : "deleted");
    ASSERT_EQ(CreateDirectoryW(u"\\Temp\\swap", nullptr), TRUE);
    EXPECT_EQ(GetFileAttributesW(u"\\Temp\\swap\\victim.txt"), INVALID_FILE_ATTRIBUTES);
    if (moved) {
      fs::rename(device_.HostPath(u"\\Temp\\swap"), device_.HostPath(u"\\Temp\\moved"));
    } else {
      fs::remove(device_.HostPath(u"\\Temp\\swap"));
    }
    fs::create_directory_symlink(Outside("outside"), device_.HostPath(u"\\Temp\\swap"));
    EXPECT_EQ(ce::fopen("\\Temp\\swap\\victim.txt", "r+b"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(ce::fopen("\\Temp\\swap\\x.txt", "wb"), nullptr);
    EXPECT_EQ(GetFileAttributesW(u"\\Temp\\swap\\x.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    fs::remove(device_.HostPath(u"\\Temp\\swap"));
  }
  EXPECT_EQ(device_.ListFiles(u"\\Temp\\moved"), std::vector<std::string>{});
}

TEST_F(JailTest, NamesTheHostCannotHoldAreRefused) {
  const char16_t unpaired[] = {u'\\', u'T', u'e', u'm', u'p', u'\\', 0xD800, u'x', 0};
  EXPECT_EQ(CreateDirectoryW(unpaired, nullptr), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
  EXPECT_EQ(CreateDirectoryW(u"\\Temp\\a\x0001b", nullptr), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
  EXPECT_EQ(CreateDirectoryW(u"\\Temp\\a:b", nullptr), FALSE);
  EXPECT_EQ(ce::fopen("\\Temp\\a*b", "wb"), nullptr);

  // The jail itself refuses names that bypass parsing: a NUL, a separator, `..`.
  emu::Jail jail(device_.hostDir() + "/fs");
  for (const std::u16string& name : {std::u16string(u"a\0b", 3), std::u16string(u"../x"),
                                     std::u16string(u".."), std::u16string(u"x/..")}) {
    emu::CePath path;
    path.parts = {u"Temp", name};
    emu::ScopedFd file;
    const emu::Status status =
        jail.OpenFile(path, emu::FileAccess::kWrite, emu::Disposition::kCreateAlways, &file);
    EXPECT_EQ(status.error(), ERROR_INVALID_NAME) << emu::Utf16ToUtf8(name);
    path.parts = {name, u"sentinel.txt"};
    EXPECT_EQ(jail.RemoveFile(path).error(), ERROR_INVALID_NAME);
  }
  EXPECT_EQ(device_.ListFiles(u"\\Temp"), (std::vector<std::string>{"evil.txt", "link"}));
}

TEST_F(JailTest, HostNamesThatAreNoDeviceNamesAreNotListed) {
  test::WriteHostFile(device_.HostPath(u"\\Temp") + "/bad\xff.txt", "x");
  test::WriteHostFile(device_.HostPath(u"\\Temp") + "/a|b.txt", "x");
  device_.WriteFile(u"\\Temp\\good.txt", "x");
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(u"\\Temp\\*", &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_EQ(std::u16string(data.cFileName), u"good.txt");
  EXPECT_EQ(FindNextFileW(search, &data), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  FindClose(search);
}

TEST_F(JailTest, WritingAHardLinkedFileLeavesTheOtherLinksAlone) {
  const std::string outside = Outside("linked.txt");
  const std::string inside = device_.HostPath(u"\\Temp\\Linked.txt");
  const struct {
    const char* mode;
    const char* content;  // after writing "NEW"
  } cases[] = {{"w+b", "NEW"}, {"wb", "NEW"}, {"r+b", "NEW content"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    fs::remove(outside);
    fs::remove(inside);
    test::WriteHostFile(outside, "old content");
    ASSERT_EQ(::chmod(outside.c_str(), 0640), 0);
    ASSERT_EQ(::setxattr(outside.c_str(), "user.DOSATTRIB", "0x2", 3, 0), 0);
    ASSERT_EQ(::link(outside.c_str(), inside.c_str()), 0);
    before_ = Snapshot();

    FILE* file = ce::fopen("\\temp\\LINKED.TXT", c.mode);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ce::fwrite("NEW", 1, 3, file), 3u);
    ASSERT_EQ(ce::fclose(file), 0);
    EXPECT_EQ(device_.ReadFile(u"\\Temp\\Linked.txt"), c.content);
    EXPECT_EQ(test::ReadHostFile(outside), "old content");
    struct stat info;
    ASSERT_EQ(::stat(inside.c_str(), &info), 0);
    EXPECT_EQ(info.st_nlink, 1u);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(GetFileAttributesW(u"\\Temp\\Linked.txt"), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(device_.ListFiles(u"\\Temp"),
              (std::vector<std::string>{"Linked.txt", "evil.txt", "link"}));
    EXPECT_EQ(before_, Snapshot());
  }

  // A file with no other link is written in place, not copied. The descriptor keeps the
  // file's inode number from being given to a copy.
  const int original = ::open(inside.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(original, 0);
  struct stat before;
  ASSERT_EQ(::fstat(original, &before), 0);
  for (const char* mode : {"r+b", "w+b"}) {
    FILE* file = ce::fopen("\\Temp\\Linked.txt", mode);
    ASSERT_NE(file, nullptr);
    ce::fclose(file);
    struct stat after;
    ASSERT_EQ(::stat(inside.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << mode;
  }
  ::close(original);
}

TEST_F(JailTest, AttributesAndReplacementsNeverReachTheOtherLinksOfAFile) {
  const std::string sentinel = Outside("sentinel.txt");
  ASSERT_EQ(::link(sentinel.c_str(), device_.HostPath(u"\\Temp\\attrib.txt").c_str()), 0);
  ASSERT_EQ(::link(sentinel.c_str(), device_.HostPath(u"\\Temp\\source.txt").c_str()), 0);
  device_.WriteFile(u"\\Temp\\dest.txt", "dest");
  ASSERT_EQ(::chmod(device_.HostPath(u"\\Temp\\dest.txt").c_str(), 0755), 0);
  ASSERT_EQ(SetFileAttributesW(u"\\Temp\\dest.txt", FILE_ATTRIBUTE_HIDDEN), TRUE);

  EXPECT_EQ(SetFileAttributesW(u"\\Temp\\attrib.txt", FILE_ATTRIBUTE_HIDDEN), TRUE);
  EXPECT_EQ(GetFileAttributesW(u"\\Temp\\attrib.txt"), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(DeleteAndRenameFile(u"\\Temp\\dest.txt", u"\\Temp\\source.txt"), TRUE);
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\dest.txt"), "sentinel");
  EXPECT_EQ(GetFileAttributesW(u"\\Temp\\dest.txt"), FILE_ATTRIBUTE_HIDDEN);
  // TearDown compares the host file's content, mode and attribute with their start.
}

TEST(JailMissingFsTest, DeviceWithoutFsHasNoFilesAndGetsNone) {
  test::TempDevice device;
  fs::remove_all(device.hostDir() + "/fs");
  WIN32_FIND_DATAW data;
  EXPECT_EQ(FindFirstFileW(u"\\Temp\\*.gz", &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(GetFileAttributesW(u"\\a.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ce::fopen("\\a.txt", "wb"), nullptr);
  EXPECT_EQ(CreateDirectoryW(u"\\Temp", nullptr), FALSE);
  EXPECT_FALSE(fs::exists(device.hostDir() + "/fs"));
}

TEST(JailMissingFsTest, FsThatIsALinkIsNotEntered) {
  test::TempDevice device;
  fs::rename(device.hostDir() + "/fs", device.hostDir() + "/real");
  fs::create_directory_symlink(device.hostDir() + "/real", device.hostDir() + "/fs");
  EXPECT_EQ(GetFileAttributesW(u"\\Temp"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(CreateDirectoryW(u"\\Made", nullptr), FALSE);
  EXPECT_FALSE(fs::exists(device.hostDir() + "/real/Made"));
}

}  // namespace
