#include "try/device_changes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pkgtool {
namespace {

std::vector<std::string> Files(const DeviceChanges& changes) {
  std::vector<std::string> lines;
  for (const FileChange& file : changes.files) {
    const char* kind = file.kind == FileChange::Kind::kCreated   ? "created"
                       : file.kind == FileChange::Kind::kWritten ? "written"
                                                                 : "deleted";
    lines.push_back(std::string(kind) + " " + file.path + " " + std::to_string(file.size));
  }
  return lines;
}

TEST(DeviceChangesTest, FoldersAndFiles) {
  DeviceSnapshot before;
  before.folders = {"\\Temp", "\\Old"};
  before.files = {
      {"\\a", {1, 10, 100}}, {"\\b", {1, 10, 100}}, {"\\c", {1, 10, 100}}, {"\\d", {1, 10, 100}}};
  DeviceSnapshot after;
  after.folders = {"\\Temp", "\\New"};
  // \a the same, \b new content of the same size, \c only touched, \d gone, \e new.
  after.files = {
      {"\\a", {1, 10, 100}}, {"\\b", {1, 11, 100}}, {"\\c", {1, 10, 101}}, {"\\e", {5, 1, 1}}};
  const DeviceChanges changes = CompareSnapshots(before, after);
  EXPECT_EQ(changes.foldersCreated, std::vector<std::string>{"\\New"});
  EXPECT_EQ(changes.foldersDeleted, std::vector<std::string>{"\\Old"});
  EXPECT_EQ(Files(changes), (std::vector<std::string>{"written \\b 1", "written \\c 1",
                                                      "deleted \\d 1", "created \\e 5"}));
}

TEST(DeviceChangesTest, RegistryExportsAreComparedByValue) {
  DeviceSnapshot before;
  before.registry = ParseRegistryExport(
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CURRENT_USER\\A]\n\"Same\"=\"1\"\n\"Old\"=\"x\"\n\"Changed\"=dword:00000001\n\n"
      "[HKEY_CURRENT_USER\\Gone]\n@=\"d\"\n\n");
  DeviceSnapshot after;
  after.registry = ParseRegistryExport(
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CURRENT_USER\\A]\n\"Changed\"=dword:00000002\n\"Same\"=\"1\"\n"
      "\"Bin\"=hex:01,02,\\\n  03\n\"Quote\\\"d\"=\"v\"\n\n"
      "[HKEY_LOCAL_MACHINE\\New]\n\n");
  const DeviceChanges changes = CompareSnapshots(before, after);
  EXPECT_EQ(RegistryText(changes.registry),
            "[HKEY_CURRENT_USER\\A]\n"
            "; was: \"Changed\"=dword:00000001\n"
            "\"Changed\"=dword:00000002\n"
            "\"Bin\"=hex:01,02,\\\n  03\n"
            "\"Quote\\\"d\"=\"v\"\n"
            "\"Old\"=-\n"
            "[-HKEY_CURRENT_USER\\Gone]\n"
            "[HKEY_LOCAL_MACHINE\\New]\n");
  ASSERT_EQ(changes.registry.size(), 3u);
  EXPECT_FALSE(changes.registry[0].created);
  EXPECT_TRUE(changes.registry[1].deleted);
  EXPECT_TRUE(changes.registry[2].created);
  EXPECT_TRUE(CompareSnapshots(after, after).registry.empty());
}

}  // namespace
}  // namespace pkgtool
