#include "package/resource_package.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "package/package_writer.h"
#include "testing/gzip_bytes.h"
#include "testing/temp_device.h"

namespace {

using System::IO::BuildSubstitutionTable;
using System::IO::ResourcePackage;

std::string Read(ResourcePackage& package, const char* name) {
  const AnsiString text = package.ReadEntry(name);
  if (text.data == nullptr) return "<none>";
  return std::string(text.data, text.length);
}

std::vector<std::string> Names(const ResourcePackage& package) {
  std::vector<std::string> names;
  for (const System::IO::PackageEntry& entry : package.Entries()) names.emplace_back(entry.name);
  return names;
}

void PutWord(std::string& bytes, std::size_t offset, std::int32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[offset + i] = static_cast<char>(static_cast<std::uint32_t>(value) >> (8 * i));
}

class ResourcePackageTest : public ::testing::Test {
 protected:
  // Stores `bytes` as \Temp\<fileName> and opens it.
  std::unique_ptr<ResourcePackage> Open(const std::string& bytes,
                                        const std::string& fileName = "Tool") {
    const std::u16string path = u"\\Temp\\" + std::u16string(fileName.begin(), fileName.end());
    device_.WriteFile(path, bytes);
    return std::make_unique<ResourcePackage>(("\\Temp\\" + fileName).c_str());
  }

  test::TempDevice device_;
};

TEST(SubstitutionTableTest, KnownValuesForAbc) {
  unsigned char table[256];
  BuildSubstitutionTable("abc", table);
  EXPECT_EQ(table[38], 0);
  EXPECT_EQ(table[39], 2);
  EXPECT_EQ(table[165], 254);
  EXPECT_EQ(table[166], 1);
  EXPECT_EQ(table[255], 179);
  EXPECT_EQ(table[0], 181);
  EXPECT_EQ(table[37], 255);
}

TEST(SubstitutionTableTest, OnlyTheFileNameCountsAndTheTableIsAPermutation) {
  unsigned char a[256];
  unsigned char b[256];
  BuildSubstitutionTable("\\Temp\\abc", a);
  BuildSubstitutionTable("\\Other\\Folder\\abc", b);
  EXPECT_EQ(std::memcmp(a, b, 256), 0);
  bool seen[256] = {};
  for (const unsigned char value : a) seen[value] = true;
  for (const bool s : seen) EXPECT_TRUE(s);
  // Units above 0xFF count in full: the euro sign is byte 0x80 but unit 0x20AC.
  BuildSubstitutionTable("\x80", a);
  EXPECT_EQ(a[0x20AC % 256], 0);
}

TEST_F(ResourcePackageTest, RoundTripPlainAndScrambled) {
  auto package =
      Open(pkg::BuildPackage("Tool", {{"InstallScript.xml", "<Installation/>", false},
                                      {"bin\\Tool.exe", std::string("MZ\0\xff", 4), true},
                                      {"empty.txt", "", false},
                                      {"empty-scrambled", "", true}}));
  EXPECT_EQ(Names(*package), (std::vector<std::string>{"InstallScript.xml", "bin\\Tool.exe",
                                                       "empty.txt", "empty-scrambled"}));
  EXPECT_EQ(Read(*package, "InstallScript.xml"), "<Installation/>");
  EXPECT_EQ(Read(*package, "bin\\Tool.exe"), std::string("MZ\0\xff", 4));
  EXPECT_EQ(package->Entries()[1].scrambled, 1);
  EXPECT_EQ(package->FindEntry("bin\\Tool.exe")->size, 4);
  // An empty entry reads like a missing one: no buffer.
  EXPECT_EQ(Read(*package, "empty.txt"), "<none>");
  EXPECT_NE(package->FindEntry("empty.txt"), nullptr);
  EXPECT_EQ(Read(*package, "missing"), "<none>");
  EXPECT_EQ(package->FindEntry("installscript.xml"), nullptr);  // case-sensitive
}

TEST_F(ResourcePackageTest, ScrambledDataIsStoredEncoded) {
  const std::string bytes = pkg::BuildPackage("Tool", {{"a", "plain text", true}});
  EXPECT_EQ(bytes.find("plain text"), std::string::npos);
  auto package = Open(bytes);
  EXPECT_EQ(Read(*package, "a"), "plain text");
}

TEST_F(ResourcePackageTest, FirstOfDuplicateNamesWins) {
  auto package = Open(pkg::BuildPackage("Tool", {{"a", "first", false}, {"a", "second", true}}));
  EXPECT_EQ(std::ssize(package->Entries()), 2);
  EXPECT_EQ(package->FindEntry("a"), &package->Entries()[0]);
  EXPECT_EQ(Read(*package, "a"), "first");
}

TEST_F(ResourcePackageTest, ZeroEntries) {
  auto package = Open(pkg::BuildPackage("Tool", {}));
  EXPECT_EQ(std::ssize(package->Entries()), 0);
  EXPECT_EQ(package->FindEntry("InstallScript.xml"), nullptr);
  EXPECT_EQ(Read(*package, ""), "<none>");
}

TEST_F(ResourcePackageTest, AnotherFileNameDecodesOtherNames) {
  const std::string bytes = pkg::BuildPackage("Tool", {{"InstallScript.xml", "x", false}});
  auto renamed = Open(bytes, "Tool2");
  EXPECT_EQ(std::ssize(renamed->Entries()), 1);
  EXPECT_EQ(renamed->FindEntry("InstallScript.xml"), nullptr);
  auto sameNameElsewhere = Open(bytes, "Tool");
  EXPECT_NE(sameNameElsewhere->FindEntry("InstallScript.xml"), nullptr);
}

TEST_F(ResourcePackageTest, DecodedZeroEndsTheName) {
  auto package = Open(pkg::BuildPackage("Tool", {{std::string("ab\0cd", 5), "x", false}}));
  EXPECT_EQ(package->FindEntry("ab"), &package->Entries()[0]);
  EXPECT_EQ(package->FindEntry("ab\\cd"), nullptr);
}

TEST_F(ResourcePackageTest, MissingFileHasNoEntries) {
  ResourcePackage package("\\Temp\\nothing");
  EXPECT_FALSE(package.isOpen());
  EXPECT_EQ(package.FindEntry("InstallScript.xml"), nullptr);
  EXPECT_EQ(Read(package, "InstallScript.xml"), "<none>");
}

// Every prefix of a valid package: no crash, and either no entries or exactly the
// entries that fit.
TEST_F(ResourcePackageTest, TruncatedAtEveryOffset) {
  const std::string bytes = pkg::BuildPackage(
      "Tool", {{"InstallScript.xml", "<Installation/>", false}, {"data.bin", "0123456789", true}});
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    auto package = Open(bytes.substr(0, cut));
    EXPECT_EQ(std::ssize(package->Entries()), 0) << cut;
    EXPECT_EQ(Read(*package, "InstallScript.xml"), "<none>") << cut;
  }
  EXPECT_EQ(std::ssize(Open(bytes)->Entries()), 2);
}

TEST_F(ResourcePackageTest, ExtremeHeaderAndRecordFields) {
  const std::string valid = pkg::BuildPackage("Tool", {{"name", "data", false}});
  // Offsets: entryCount 4, nameLength 8, name 12..15, size 16, scrambled 20, data 24.
  struct Case {
    std::size_t offset;
    std::int32_t value;
    std::int32_t expectedEntries;
  };
  const std::int32_t max = std::numeric_limits<std::int32_t>::max();
  const Case cases[] = {
      {4, 0, 0},
      {4, -1, 0},
      {4, 2, 0},
      {4, max, 0},
      {4, std::numeric_limits<std::int32_t>::min(), 0},
      {8, -1, 0},
      {8, 67, 0},
      {8, 68, 0},
      {8, max, 0},
      {8, 0, 0},
      {16, -1, 0},
      {16, 5, 0},
      {16, max, 0},
      {16, 0, 1},  // trailing bytes are ignored
      {20, -1, 1},
      {20, max, 1},
      {0, -1, 1},
      {0, max, 1},
  };
  for (const Case& c : cases) {
    std::string bytes = valid;
    PutWord(bytes, c.offset, c.value);
    auto package = Open(bytes);
    EXPECT_EQ(std::ssize(package->Entries()), c.expectedEntries) << c.offset << "=" << c.value;
    if (c.expectedEntries == 0) {
      EXPECT_EQ(package->FindEntry("name"), nullptr);
    }
  }
}

TEST_F(ResourcePackageTest, AnEntryTableOverItsMemoryBoundIsNotRead) {
  std::int32_t fits = 1;
  while (System::IO::ResourcePackage::TableBytes(fits * 2) <= System::IO::kMaxEntryTableBytes) {
    fits *= 2;
  }
  for (std::int32_t step = fits / 2; step > 0; step /= 2) {
    if (System::IO::ResourcePackage::TableBytes(fits + step) <= System::IO::kMaxEntryTableBytes) {
      fits += step;
    }
  }
  EXPECT_GE(fits, 100000);  // a product of 100,000 files is read
  for (const std::int32_t count : {fits, fits + 1}) {
    std::vector<pkg::EntrySource> entries(static_cast<std::size_t>(count), {"e", "", false});
    entries.front() = {"first", "1", false};
    auto package = Open(pkg::BuildPackage("Tool", entries));
    EXPECT_EQ(std::ssize(package->Entries()), count == fits ? count : 0) << count;
    EXPECT_EQ(Read(*package, "first"), count == fits ? "1" : "<none>");
  }
}

TEST_F(ResourcePackageTest, SixtySevenByteNamesAreTheLongest) {
  const std::string longest(67, 'n');
  auto package = Open(pkg::BuildPackage("Tool", {{longest, "x", false}}));
  EXPECT_EQ(Read(*package, longest.c_str()), "x");
}

TEST_F(ResourcePackageTest, ReadEntryOfAFileThatShrankReadsZeros) {
  // Larger than any stdio buffer, so that the lost tail is really read from the file.
  const std::string data = test::RandomBytes(200000);
  auto package = Open(pkg::BuildPackage("Tool", {{"a", data, false}}));
  const std::string host = device_.HostPath(u"\\Temp\\Tool");
  struct stat before {};
  ASSERT_EQ(::stat(host.c_str(), &before), 0);
  ASSERT_EQ(::truncate(host.c_str(), before.st_size - 100000), 0);
  const std::string read = Read(*package, "a");
  ASSERT_EQ(read.size(), data.size());
  const std::size_t kept = data.size() - 100000;
  EXPECT_EQ(read.substr(0, kept), data.substr(0, kept));
  EXPECT_EQ(read.substr(kept), std::string(100000, '\0'));
}

}  // namespace
