#include "package/extraction.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/package_writer.h"
#include "testing/temp_device.h"

namespace {

using System::IO::ResourcePackage;
using System::Text::StringBuilder;

std::vector<std::u16string> Items(StringBuilder& list) {
  std::vector<std::u16string> out;
  for (std::int32_t i = 0; i < list.Count(); ++i)
    out.emplace_back(list.ItemAt(i)->data, list.ItemAt(i)->length);
  return out;
}

class ExtractionTest : public ::testing::Test {
 protected:
  ResourcePackage& Package(const std::vector<pkg::EntrySource>& entries) {
    device_.WriteFile(u"\\Temp\\Tool", pkg::BuildPackage("Tool", entries));
    package_ = std::make_unique<ResourcePackage>("\\Temp\\Tool");
    return *package_;
  }
  void Extract(const char* name, const char16_t* target) {
    ExtractEntry(*package_, AnsiString(name), String(target));
  }

  test::TempDevice device_;
  std::unique_ptr<ResourcePackage> package_;
};

TEST_F(ExtractionTest, CreateDirectoriesMakesEveryLevel) {
  EXPECT_EQ(CreateDirectories(String(u"\\Program Files\\Tool\\Data\\Deep")), 1);
  EXPECT_TRUE(device_.Exists(u"\\Program Files\\Tool\\Data\\Deep"));
  EXPECT_EQ(CreateDirectories(String(u"Relative\\\\Twice\\")), 1);  // rooted all the same
  EXPECT_TRUE(device_.Exists(u"\\Relative\\Twice"));
  EXPECT_EQ(CreateDirectories(String(u"")), 1);
}

TEST_F(ExtractionTest, WritesEntriesAsStoredCreatingTheirFolder) {
  std::string big(250000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 1000);
  Package({{"big.bin", big, false}, {"secret", "scrambled bytes", true}, {"empty", "", false}});
  Extract("big.bin", u"\\Program Files\\Tool\\Data\\big.bin");
  EXPECT_EQ(device_.ReadFile(u"\\Program Files\\Tool\\Data\\big.bin"), big);

  Extract("secret", u"\\Temp\\secret");
  const std::string stored = device_.ReadFile(u"\\Temp\\secret");
  EXPECT_EQ(stored.size(), 15u);
  EXPECT_NE(stored, "scrambled bytes");  // written as stored, never decoded

  device_.WriteFile(u"\\Temp\\empty", "old content");
  Extract("empty", u"\\Temp\\empty");
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\empty"), "");
}

TEST_F(ExtractionTest, ASeriesChecksEachFolderItMovesTo) {
  Package({{"a", "1", false}, {"b", "2", false}, {"c", "3", false}});
  String checked;
  const auto extract = [&](const char* name, const char16_t* target) {
    ExtractEntry(*package_, AnsiString(name), String(target), checked);
  };
  extract("a", u"\\P\\One\\a");
  extract("b", u"\\P\\One\\b");
  extract("c", u"\\P\\Two\\Deep\\c");
  extract("a", u"\\P\\One\\again");  // back to a folder checked before the last one
  extract("b", u"b");                // no folder at all
  EXPECT_EQ(device_.ReadFile(u"\\P\\One\\a") + device_.ReadFile(u"\\P\\One\\b") +
                device_.ReadFile(u"\\P\\Two\\Deep\\c") + device_.ReadFile(u"\\P\\One\\again") +
                device_.ReadFile(u"\\b"),
            "12312");
}

TEST_F(ExtractionTest, MissingEntryCreatesTheFolderButNoFile) {
  Package({{"a", "x", false}});
  Extract("missing", u"\\Program Files\\New\\missing");
  EXPECT_TRUE(device_.Exists(u"\\Program Files\\New"));
  EXPECT_FALSE(device_.Exists(u"\\Program Files\\New\\missing"));
  Extract("A", u"\\Temp\\A");  // names are case-sensitive
  EXPECT_FALSE(device_.Exists(u"\\Temp\\A"));
}

TEST_F(ExtractionTest, TargetWithoutBackslashIsTakenFromTheRoot) {
  Package({{"a", "x", false}});
  Extract("a", u"plain.txt");
  EXPECT_EQ(device_.ReadFile(u"\\plain.txt"), "x");
}

TEST_F(ExtractionTest, ShortPackageWritesOnlyWholeBlocks) {
  const std::string big(250000, 'b');
  const std::string bytes = pkg::BuildPackage("Tool", {{"big", big, false}});
  device_.WriteFile(u"\\Temp\\Tool", bytes);
  ResourcePackage package("\\Temp\\Tool");
  device_.WriteFile(u"\\Temp\\Tool", bytes.substr(0, bytes.size() - 10));
  ExtractEntry(package, AnsiString("big"), String(u"\\Temp\\big"));
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\big").size(), 200000u);
}

TEST_F(ExtractionTest, ListFilesSkipsHiddenAndKeepsFolders) {
  device_.WriteFile(u"\\Temp\\b.gz", "");
  device_.WriteFile(u"\\Temp\\A.GZ", "");
  device_.WriteFile(u"\\Temp\\c.gzip", "");
  device_.WriteFile(u"\\Temp\\.dot.gz", "");
  device_.WriteFile(u"\\Temp\\hidden.gz", "");
  device_.WriteFile(u"\\Temp\\x.gz\\inside", "");
  SetFileAttributesW(u"\\Temp\\hidden.gz", FILE_ATTRIBUTE_HIDDEN);
  StringBuilder list;
  list.AddString(u"kept", 4);
  EXPECT_EQ(ListFiles(String(u"\\Temp"), String(u"*.gz"), list, true), 1);
  EXPECT_EQ(Items(list), (std::vector<std::u16string>{u"kept", u"\\Temp\\A.GZ", u"\\Temp\\b.gz",
                                                      u"\\Temp\\x.gz"}));
  StringBuilder all;
  ListFiles(String(u"\\Temp\\"), String(u"*.gz"), all, false);
  EXPECT_EQ(all.Count(), 5);
}

TEST_F(ExtractionTest, ListFilesOfAMissingFolderFindsNothing) {
  StringBuilder list;
  EXPECT_EQ(ListFiles(String(u"\\Nowhere"), String(u"*.gz"), list, true), 1);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(ListFiles(String(u""), String(u""), list, true), 0);
}

}  // namespace
