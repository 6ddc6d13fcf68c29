// Lookups answer from what earlier calls found (folder_names.h, folder_cache.h), and must
// still see every other spelling of a name and every folder where a walk from `fs/` would
// find it, including what changed behind the jail's back.
#include "folder_names.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>

#include <filesystem>
#include <functional>
#include <string>

#include "code_page.h"
#include "platform/ce.h"
#include "testing/temp_device.h"

namespace {

class FolderNamesTest : public ::testing::Test {
 protected:
  // Creates (or truncates) a device file through the C run-time, as the updater does.
  bool Create(const std::string& cePath, const std::string& content) {
    ce::FILE* file = ce::fopen(cePath.c_str(), "w+b");
    if (file == nullptr) return false;
    ce::fwrite(content.data(), 1, content.size(), file);
    return ce::fclose(file) == 0;
  }
  std::size_t HostFiles() const { return device_.ListFiles(u"\\Temp\\Big").size(); }

  test::TempDevice device_;
};

TEST_F(FolderNamesTest, EveryOtherSpellingIsFoundAfterManyCreations) {
  device_.WriteFile(u"\\Temp\\Big\\first.txt", "");
  for (int i = 0; i < 50; ++i)
    ASSERT_TRUE(Create("\\Temp\\Big\\f" + std::to_string(i) + ".txt", "x"));
  ASSERT_EQ(HostFiles(), 51u);
  ASSERT_TRUE(Create("\\Temp\\Big\\F7.TXT", "seven"));
  ASSERT_TRUE(Create("\\Temp\\Big\\FIRST.txt", "one"));
  EXPECT_EQ(HostFiles(), 51u);
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\Big\\f7.txt"), "seven");
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\Big\\first.txt"), "one");
}

TEST_F(FolderNamesTest, NamesMadeBehindTheJailsBackAreSeen) {
  std::filesystem::create_directories(device_.HostPath(u"\\Temp\\Big"));
  for (int i = 0; i < 20; ++i)
    ASSERT_TRUE(Create("\\Temp\\Big\\f" + std::to_string(i) + ".txt", "x"));
  device_.WriteFile(u"\\Temp\\Big\\Host.txt", "host");
  // The folder's times tell that it changed, even where the clock is coarse.
  const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, device_.HostPath(u"\\Temp\\Big").c_str(), times, 0), 0);
  ASSERT_TRUE(Create("\\Temp\\Big\\HOST.TXT", "device"));
  EXPECT_EQ(HostFiles(), 21u);
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\Big\\Host.txt"), "device");
}

TEST_F(FolderNamesTest, ADeletedSpellingLeavesTheOtherFound) {
  std::filesystem::create_directories(device_.HostPath(u"\\Temp\\Big"));
  test::WriteHostFile(device_.HostPath(u"\\Temp\\Big\\Dup.txt"), "first");
  test::WriteHostFile(device_.HostPath(u"\\Temp\\Big\\DUP.TXT"), "second");
  for (int i = 0; i < 20; ++i)
    ASSERT_TRUE(Create("\\Temp\\Big\\f" + std::to_string(i) + ".txt", "x"));
  ASSERT_TRUE(DeleteFileW(u"\\Temp\\Big\\DUP.TXT"));
  ASSERT_TRUE(DeleteFileW(u"\\Temp\\Big\\f3.txt"));
  ASSERT_TRUE(Create("\\Temp\\Big\\dUp.txt", "again"));
  ASSERT_TRUE(Create("\\Temp\\Big\\F3.TXT", "new"));
  EXPECT_EQ(HostFiles(), 21u);
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\Big\\Dup.txt"), "again");
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\Big\\F3.TXT"), "new");
}

TEST_F(FolderNamesTest, FolderStatesDifferWhenAFolderChanges) {
  device_.WriteFile(u"\\Temp\\Big\\a", "");
  const int folder = ::open(device_.HostPath(u"\\Temp\\Big").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(folder, 0);
  emu::FolderState before;
  ASSERT_TRUE(emu::StateOf(folder, &before));
  const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::futimens(folder, times), 0);
  emu::FolderState after;
  ASSERT_TRUE(emu::StateOf(folder, &after));
  ::close(folder);
  EXPECT_FALSE(before == after);
  EXPECT_TRUE(after == after);
}

// The host paths below the device folder that hold a file of this name.
// Files whose host names spell `name` in any letter case.
std::vector<std::string> FilesNamed(const test::TempDevice& device, const std::string& name) {
  std::vector<std::string> found;
  const auto folded = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  for (const auto& entry : std::filesystem::recursive_directory_iterator(device.hostDir())) {
    if (folded(entry.path().filename().string()) == folded(name)) {
      found.push_back(entry.path().string().substr(device.hostDir().size()));
    }
  }
  return found;
}

TEST(FolderChangesTest, TheNextCallFindsWhatAWalkFromTheRootFinds) {
  namespace fs = std::filesystem;
  const struct {
    const char* change;
    std::function<void(const test::TempDevice&)> apply;
    const char* landsIn;  // where \Temp\Dir\Sub\new.txt is made; null: nowhere
  } cases[] = {
      {"folder renamed, another made in its place",
       [](const test::TempDevice& d) {
         fs::rename(d.HostPath(u"\\Temp\\Dir"), d.HostPath(u"\\Temp\\Old"));
         fs::create_directories(d.HostPath(u"\\Temp\\Dir\\Sub"));
       },
       "/fs/Temp/Dir/Sub/new.txt"},
      {"folder deleted, another made in its place",
       [](const test::TempDevice& d) {
         fs::remove_all(d.HostPath(u"\\Temp\\Dir"));
         fs::create_directories(d.HostPath(u"\\Temp\\Dir\\Sub"));
       },
       "/fs/Temp/Dir/Sub/new.txt"},
      {"ancestor renamed",
       [](const test::TempDevice& d) {
         fs::rename(d.HostPath(u"\\Temp"), d.HostPath(u"\\Gone"));
         fs::create_directory(d.HostPath(u"\\Temp"));
       },
       nullptr},
      {"fs/ moved away, another made in its place",
       [](const test::TempDevice& d) {
         fs::rename(d.hostDir() + "/fs", d.hostDir() + "/old");
         fs::create_directories(d.HostPath(u"\\Temp\\Dir\\Sub"));
       },
       "/fs/Temp/Dir/Sub/new.txt"},
      {"fs/ deleted, another made in its place",
       [](const test::TempDevice& d) {
         fs::remove_all(d.hostDir() + "/fs");
         fs::create_directories(d.HostPath(u"\\Temp\\Dir\\Sub"));
       },
       "/fs/Temp/Dir/Sub/new.txt"},
      {"case changed by the device, the old spelling made again",
       [](const test::TempDevice& d) {
         ASSERT_EQ(MoveFileW(u"\\Temp\\Dir", u"\\TEMP\\DIR"), TRUE);
         fs::create_directories(d.HostPath(u"\\Temp\\Dir\\Sub"));
       },
       "/fs/Temp/Dir/Sub/new.txt"},
      {"case changed behind the jail's back, another spelling made",
       [](const test::TempDevice& d) {
         fs::rename(d.HostPath(u"\\Temp\\Dir\\Sub"), d.HostPath(u"\\Temp\\Dir\\sub"));
         fs::create_directory(d.HostPath(u"\\Temp\\Dir\\SUB"));
       },
       "/fs/Temp/Dir/SUB/new.txt"},  // no exact spelling: the first in ordinal order
      {"many folders used in between, then the folder replaced",
       [](const test::TempDevice& d) {
         for (int i = 0; i < 300; ++i) {
           const std::u16string folder = u"\\Temp\\F" + emu::Utf8ToUtf16(std::to_string(i));
           ASSERT_EQ(CreateDirectoryW(folder.c_str(), nullptr), TRUE);
           ASSERT_EQ(GetFileAttributesW((folder + u"\\x").c_str()), INVALID_FILE_ATTRIBUTES);
         }
         fs::rename(d.HostPath(u"\\Temp\\Dir"), d.HostPath(u"\\Temp\\Old"));
         fs::create_directories(d.HostPath(u"\\Temp\\Dir\\Sub"));
       },
       "/fs/Temp/Dir/Sub/new.txt"},
      {"names forgotten for others, another spelling made meanwhile",
       [](const test::TempDevice& d) {
         ASSERT_EQ(CreateDirectoryW(u"\\Temp\\Many", nullptr), TRUE);
         for (int i = 0; i < 5000; ++i) {
           FILE* file = ce::fopen(("\\Temp\\Many\\f" + std::to_string(i)).c_str(), "wb");
           ASSERT_NE(file, nullptr);
           ce::fclose(file);
         }
         test::WriteHostFile(d.HostPath(u"\\Temp\\Dir\\Sub\\NEW.TXT"), "host");
       },
       "/fs/Temp/Dir/Sub/NEW.TXT"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.change);
    test::TempDevice device;
    device.WriteFile(u"\\Temp\\Dir\\Sub\\old.txt", "old");
    ASSERT_EQ(GetFileAttributesW(u"\\Temp\\Dir\\Sub\\old.txt"), FILE_ATTRIBUTE_NORMAL);
    c.apply(device);
    FILE* file = ce::fopen("\\Temp\\Dir\\Sub\\new.txt", "wb");
    EXPECT_EQ(file != nullptr, c.landsIn != nullptr);
    if (file != nullptr) ce::fclose(file);
    EXPECT_EQ(FilesNamed(device, "new.txt"), c.landsIn != nullptr
                                                 ? std::vector<std::string>{c.landsIn}
                                                 : std::vector<std::string>{});
  }
}

TEST(FolderChangesTest, AChildProcessLeavesTheChangesToItsParent) {
  test::TempDevice device;
  device.WriteFile(u"\\Temp\\Dir\\old.txt", "old");
  ASSERT_EQ(GetFileAttributesW(u"\\Temp\\Dir\\old.txt"), FILE_ATTRIBUTE_NORMAL);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Makes a file behind the jail's back, then uses the device itself.
    device.WriteFile(u"\\Temp\\Dir\\NEW.TXT", "child");
    ::_exit(GetFileAttributesW(u"\\Temp\\Dir\\new.txt") == FILE_ATTRIBUTE_NORMAL ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // The parent still learns of the file: it opens it rather than make another spelling.
  FILE* file = ce::fopen("\\Temp\\Dir\\new.txt", "wb");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(ce::fwrite("parent", 1, 6, file), 6u);
  ce::fclose(file);
  EXPECT_EQ(device.ListFiles(u"\\Temp\\Dir"), (std::vector<std::string>{"NEW.TXT", "old.txt"}));
  EXPECT_EQ(device.ReadFile(u"\\Temp\\Dir\\NEW.TXT"), "parent");
}

}  // namespace
