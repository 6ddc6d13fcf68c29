// Lookups in large folders answer from what an earlier read found, and must still see
// every other spelling of a name, including names made behind the jail's back.
#include "folder_names.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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
  for (int i = 0; i < 50; ++i) ASSERT_TRUE(Create("\\Temp\\Big\\f" + std::to_string(i) + ".txt", "x"));
  ASSERT_EQ(HostFiles(), 51u);
  ASSERT_TRUE(Create("\\Temp\\Big\\F7.TXT", "seven"));
  ASSERT_TRUE(Create("\\Temp\\Big\\FIRST.txt", "one"));
  EXPECT_EQ(HostFiles(), 51u);
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\Big\\f7.txt"), "seven");
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\Big\\first.txt"), "one");
}

TEST_F(FolderNamesTest, NamesMadeBehindTheJailsBackAreSeen) {
  std::filesystem::create_directories(device_.HostPath(u"\\Temp\\Big"));
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(Create("\\Temp\\Big\\f" + std::to_string(i) + ".txt", "x"));
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
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(Create("\\Temp\\Big\\f" + std::to_string(i) + ".txt", "x"));
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

}  // namespace
