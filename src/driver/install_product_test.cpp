// InstallProduct in-process, where the device can be made to run out of space.
#include "driver/install_product.h"

#include <gtest/gtest.h>

#include "package/package_writer.h"
#include "testing/gzip_bytes.h"
#include "testing/temp_device.h"
#include "write_limit.h"

namespace {

class InstallProductTest : public ::testing::Test {
 protected:
  void TearDown() override { emu::SetWriteLimit(-1); }

  test::TempDevice device_;
};

TEST_F(InstallProductTest, ADeliveryThatDoesNotFitIsKeptForTheNextAttempt) {
  const std::string script =
      "<Installation><AppPath>\\Tool</AppPath></Installation><Files><File "
      "name=\"big.bin\"/></Files>";
  const std::string delivered = test::GzipBytes(pkg::BuildPackage(
      "Tool",
      {{"InstallScript.xml", script, false}, {"big.bin", test::RandomBytes(100000, 3), false}}));
  device_.WriteFile(u"\\Temp\\Tool.gz", delivered);

  // The disk fills up while the package is written: the partial package goes, the
  // delivery stays, and nothing of the product is installed.
  emu::SetWriteLimit(50000);
  InstallProduct(String(u"\\Temp\\Tool.gz"));
  emu::SetWriteLimit(-1);
  EXPECT_EQ(device_.ListFiles(u"\\Temp"), std::vector<std::string>{"Tool.gz"});
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\Tool.gz"), delivered);
  EXPECT_FALSE(device_.Exists(u"\\Tool"));

  InstallProduct(String(u"\\Temp\\Tool.gz"));
  EXPECT_EQ(device_.ListFiles(u"\\Temp"), std::vector<std::string>{});
  EXPECT_EQ(device_.ReadFile(u"\\Tool\\big.bin").size(), 100000u);
}

TEST_F(InstallProductTest, AnUpgradeWhoseFilesDoNotFitChangesNothingAndIsRetriedOnce) {
  const auto deliver = [&](const std::string& content) {
    device_.WriteFile(u"\\Temp\\Tool.gz",
                      test::GzipBytes(pkg::BuildPackage(
                          "Tool", {{"InstallScript.xml",
                                    "<Installation><AppPath>\\Tool</AppPath></Installation><Files>"
                                    "<File name=\"a.bin\"/><File name=\"b.bin\"/></Files>",
                                    false},
                                   {"a.bin", content, false},
                                   {"b.bin", content, false}})));
  };
  const std::string v1(60000, '1');
  const std::string v2 = test::RandomBytes(60000, 5);
  deliver(v1);
  InstallProduct(String(u"\\Temp\\Tool.gz"));
  ASSERT_EQ(device_.ReadFile(u"\\Tool\\b.bin"), v1);

  // The package fits; the disk fills up while the second new file is staged.
  deliver(v2);
  emu::SetWriteLimit(200000);
  InstallProduct(String(u"\\Temp\\Tool.gz"));
  emu::SetWriteLimit(-1);
  EXPECT_EQ(device_.ReadFile(u"\\Tool\\a.bin"), v1);
  EXPECT_EQ(device_.ReadFile(u"\\Tool\\b.bin"), v1);
  EXPECT_EQ(device_.ListFiles(u"\\Tool"), (std::vector<std::string>{"a.bin", "b.bin"}));
  EXPECT_EQ(device_.ListFiles(u"\\Temp"), std::vector<std::string>{"Tool.gz.try1"});

  RetryProduct(String(u"\\Temp\\Tool.gz.try1"));
  EXPECT_EQ(device_.ReadFile(u"\\Tool\\a.bin"), v2);
  EXPECT_EQ(device_.ReadFile(u"\\Tool\\b.bin"), v2);
  EXPECT_EQ(device_.ListFiles(u"\\Tool"), (std::vector<std::string>{"a.bin", "b.bin"}));
  EXPECT_EQ(device_.ListFiles(u"\\Temp"), std::vector<std::string>{});
}

}  // namespace
