#include "package/gzip_expansion.h"

#include <gtest/gtest.h>

#include <string>

#include "package/gzip_reader.h"
#include "testing/gzip_bytes.h"
#include "testing/string_text.h"
#include "testing/temp_device.h"
#include "write_limit.h"

#if UPDATER_HAS_ISAL
#include "package/gzip_reader_isal.h"
#endif

namespace {

using test::Text;

TEST(StripExtensionTest, CutsOnlyTheLastExtensionOfTheFileName) {
  EXPECT_EQ(Text(StripExtension(String(u"\\Temp\\Tool.gz"))), u"\\Temp\\Tool");
  EXPECT_EQ(Text(StripExtension(String(u"\\Temp\\Tool.cab.gz"))), u"\\Temp\\Tool.cab");
  EXPECT_EQ(Text(StripExtension(String(u"\\Temp.d\\Tool"))), u"\\Temp.d\\Tool");
  EXPECT_EQ(Text(StripExtension(String(u"\\Temp\\Tool."))), u"\\Temp\\Tool");
  EXPECT_EQ(Text(StripExtension(String(u".gz"))), u"");
  EXPECT_EQ(Text(StripExtension(String(u"Tool"))), u"Tool");
  EXPECT_EQ(Text(StripExtension(String())), u"");
}

struct Engine {
  const char* name;
  GzipOpener open;
};

// Every case runs with each engine the build has. Random bytes do not compress: a
// payload large enough for many 16 KiB blocks.
class GzipExpansionTest : public ::testing::TestWithParam<Engine> {
 protected:
  std::int32_t Expand(const std::string& delivered) {
    device_.WriteFile(u"\\Temp\\Tool.gz", delivered);
    return ExpandWith(String(u"\\Temp\\Tool.gz"), String(u"\\Temp\\Tool"));
  }
  std::int32_t ExpandWith(const String& source, const String& destination) {
    return ExpandGzipFileWith(GetParam().open, source, destination);
  }
  std::string Package() const { return device_.ReadFile(u"\\Temp\\Tool"); }

  test::TempDevice device_;
};

TEST_P(GzipExpansionTest, ExpandsAndOverwritesAnExistingPackage) {
  device_.WriteFile(u"\\Temp\\Tool", std::string(100000, 'x'));
  const std::string content = test::RandomBytes(100000, 1);
  EXPECT_EQ(Expand(test::GzipBytes(content)), 1);
  EXPECT_EQ(Package(), content);
  EXPECT_TRUE(device_.Exists(u"\\Temp\\Tool.gz"));  // the source is never touched
}

TEST_P(GzipExpansionTest, MembersAreExpandedOneAfterTheOther) {
  EXPECT_EQ(Expand(test::GzipBytes("first,") + test::GzipBytes("") + test::GzipBytes("second")), 1);
  EXPECT_EQ(Package(), "first,second");
}

TEST_P(GzipExpansionTest, EmptyMemberGivesAnEmptyPackage) {
  EXPECT_EQ(Expand(test::GzipBytes("")), 1);
  EXPECT_EQ(Package(), "");
}

TEST_P(GzipExpansionTest, PlainFilesAreCopiedUnchanged) {
  const std::string plain = "not gzip at all " + test::RandomBytes(40000, 2);
  EXPECT_EQ(Expand(plain), 1);
  EXPECT_EQ(Package(), plain);
  EXPECT_EQ(Expand(""), 1);
  EXPECT_EQ(Package(), "");
}

TEST_P(GzipExpansionTest, DamagedDataKeepsWhatCameBefore) {
  // Large enough that the damage lies well past the engines' buffers.
  const std::string content = test::RandomBytes(4000000, 3);
  std::string delivered = test::GzipBytes(content);
  for (std::size_t i = delivered.size() / 2; i < delivered.size() / 2 + 64; ++i)
    delivered[i] ^= 0x5A;
  EXPECT_EQ(Expand(delivered), 0);
  const std::string partial = Package();
  EXPECT_LT(partial.size(), content.size());
  // Inflation may emit some garbage before it notices the damage; what came before
  // the damaged stretch is intact.
  ASSERT_GT(partial.size(), content.size() / 4);
  EXPECT_EQ(partial.substr(0, content.size() / 4), content.substr(0, content.size() / 4));
}

TEST_P(GzipExpansionTest, TruncatedDataFails) {
  const std::string delivered = test::GzipBytes(test::RandomBytes(100000, 4));
  for (const std::size_t cut :
       {delivered.size() - 1, delivered.size() - 8, delivered.size() / 2, std::size_t{11}}) {
    EXPECT_EQ(Expand(delivered.substr(0, cut)), 0) << cut;
  }
}

TEST_P(GzipExpansionTest, BadChecksumFails) {
  std::string delivered = test::GzipBytes("checked content");
  delivered[delivered.size() - 6] ^= 1;  // the CRC of the trailer
  EXPECT_EQ(Expand(delivered), 0);
}

TEST_P(GzipExpansionTest, MissingSourceOrUnwritableDestination) {
  EXPECT_EQ(ExpandWith(String(u"\\Temp\\Missing.gz"), String(u"\\Temp\\Missing")), 0);
  EXPECT_FALSE(device_.Exists(u"\\Temp\\Missing"));
  device_.WriteFile(u"\\Temp\\Tool.gz", test::GzipBytes("x"));
  EXPECT_EQ(ExpandWith(String(u"\\Temp\\Tool.gz"), String(u"\\NoFolder\\Tool")), 0);
}

TEST_P(GzipExpansionTest, FullDiskFails) {
  const std::string content = test::RandomBytes(100000, 5);
  emu::SetWriteLimit(50000);
  const std::int32_t result = Expand(test::GzipBytes(content));
  emu::SetWriteLimit(-1);
  EXPECT_EQ(result, 0);
}

TEST_P(GzipExpansionTest, SourceWithoutExtensionIsLeftAlone) {
  device_.WriteFile(u"\\Temp\\Tool", "package");
  EXPECT_EQ(ExpandWith(String(u"\\Temp\\Tool"), StripExtension(String(u"\\Temp\\Tool"))), 0);
  EXPECT_EQ(Package(), "package");
}

TEST(GzipExpansionDefaultTest, ExpandsWithTheBuildsEngine) {
  test::TempDevice device;
  device.WriteFile(u"\\Temp\\Tool.gz", test::GzipBytes("package bytes"));
  EXPECT_EQ(ExpandGzipFile(String(u"\\Temp\\Tool.gz"), String(u"\\Temp\\Tool")), 1);
  EXPECT_EQ(device.ReadFile(u"\\Temp\\Tool"), "package bytes");
}

INSTANTIATE_TEST_SUITE_P(Engines, GzipExpansionTest,
                         ::testing::Values(Engine{"zlib", OpenZlibGzipReader}
#if UPDATER_HAS_ISAL
                                           ,
                                           Engine{"isal", OpenIsalGzipReader}
#endif
                                           ),
                         [](const ::testing::TestParamInfo<Engine>& info) {
                           return info.param.name;
                         });

}  // namespace
