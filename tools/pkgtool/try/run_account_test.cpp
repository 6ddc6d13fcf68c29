#include "try/run_account.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/observation_log.h"
#include "testing/temp_device.h"

namespace pkgtool {
namespace {

String Text(const char16_t* text) { return String(text); }

std::vector<std::string> Lines(const RunAccount& account) {
  std::vector<std::string> lines;
  for (const NestedInstall& install : account.nested) {
    lines.push_back(std::to_string(install.depth) + " " + install.path + " " +
                    (install.installed ? "installed, " : "") + install.note);
  }
  return lines;
}

// What the updater writes, try reads back: paths with the separator, line breaks and
// the escape in them included, nested installations in the order they began.
TEST(RunAccountTest, WhatTheLogWritesIsReadBack) {
  test::TempDevice device;
  {
    const auto log = ObservationLog::Create(Text(u"\\Temp\\account.txt"));
    ASSERT_NE(log, nullptr);
    log->InstallationBegun(Text(u"\\Temp\\Outer.gz"), 0);
    log->FileEntry(AnsiString("In\t100%.gz"), Text(u"\\App\\In\t100%.gz"), FileOutcome::kPlaced);
    log->FileEntry(AnsiString("Other.gz"), Text(u"\\App\\Other.gz"), FileOutcome::kDiscarded);
    log->InstallationBegun(Text(u"\\app\\in\t100%.gz"), 1);
    log->InstallationBegun(Text(u"\\Gone\nNow.gz"), 2);
    log->InstallationEnded(InstallOutcome::kNoDelivery);
    log->InstallationEnded(InstallOutcome::kInstalled);
    log->ActionPerformed("Install.After", nullptr, ActionOutcome::kUnknownType);
    log->InstallationBegun(Text(u"\\App\\Other.gz"), 1);
    log->InstallationEnded(InstallOutcome::kNotExpanded);
    log->InstallationEnded(InstallOutcome::kInstalled);
  }
  const RunAccount account = ReadRunAccount(device.ReadFile(u"\\Temp\\account.txt"));
  EXPECT_TRUE(account.given);
  EXPECT_EQ(Lines(account),
            (std::vector<std::string>{
                "1 \\app\\in\t100%.gz installed, from the entry 'In\t100%.gz'",
                "2 \\Gone\nNow.gz no such file when the action ran: nothing installed",
                "1 \\App\\Other.gz it could not be expanded: nothing installed, the delivery is "
                "kept"}));

  // The product of the delivery folder, with what it put in place and its nested ones.
  ASSERT_EQ(account.products.size(), 1u);
  const ProductInstall& product = account.products.front();
  EXPECT_EQ(product.path, "\\Temp\\Outer.gz");
  EXPECT_TRUE(product.ended && product.installed);
  EXPECT_EQ(product.outcome, "installed");
  ASSERT_EQ(product.placed.size(), 1u);
  EXPECT_EQ(product.placed[0].entry + " " + product.placed[0].target,
            "In\t100%.gz \\App\\In\t100%.gz");
  EXPECT_EQ(product.nested.size(), 3u);

  // An account that ends within a nested installation (an updater that was killed)
  // claims nothing for it: cut after its first four lines, two UTF-16 bytes a unit.
  std::string cut = device.ReadFile(u"\\Temp\\account.txt");
  std::size_t end = 0;
  for (int line = 0; line < 4; ++line) end = cut.find(std::string("\n\0", 2), end) + 2;
  cut.resize(end);
  EXPECT_EQ(Lines(ReadRunAccount(cut)),
            std::vector<std::string>{
                "1 \\app\\in\t100%.gz the account ends before it did: not known to be installed"});
  const RunAccount cutAccount = ReadRunAccount(cut);
  ASSERT_EQ(cutAccount.products.size(), 1u);
  EXPECT_FALSE(cutAccount.products[0].ended || cutAccount.products[0].installed);
  EXPECT_EQ(cutAccount.products[0].nested.size(), 1u);
}

}  // namespace
}  // namespace pkgtool
