#include "command_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int ran = 0;
int RunOne(const tool::Invocation&) { return ran = 1; }
int RunTwo(const tool::Invocation& invocation) {
  ran = 2;
  return static_cast<int>(invocation.args.size());
}

constexpr tool::Command kCommands[] = {
    {"events", "[--clear]", "journal", RunOne},
    {"reg export", "[KEY]", "export", RunTwo},
    {"reg import", "FILE", "import", RunTwo},
};
constexpr tool::ToolInfo kTool{"demo", "[--device DIR]", kCommands};

TEST(CommandTableTest, FindsOneAndTwoWordCommands) {
  std::size_t consumed = 0;
  const std::vector<std::string> one{"events", "--clear"};
  ASSERT_NE(tool::FindCommand(kCommands, one, &consumed), nullptr);
  EXPECT_EQ(consumed, 1u);
  const std::vector<std::string> two{"reg", "import", "-"};
  const tool::Command* command = tool::FindCommand(kCommands, two, &consumed);
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(command->name, "reg import");
  EXPECT_EQ(consumed, 2u);
  const std::vector<std::string> partial{"reg"};
  EXPECT_EQ(tool::FindCommand(kCommands, partial, &consumed), nullptr);
}

TEST(CommandTableTest, SuggestsOnlyNearNames) {
  EXPECT_EQ(tool::SuggestCommand(kCommands, "evnts"), "events");
  EXPECT_EQ(tool::SuggestCommand(kCommands, "reg exprt"), "reg export");
  EXPECT_EQ(tool::SuggestCommand(kCommands, "xyz"), "");
  EXPECT_EQ(tool::SuggestCommand(kCommands, "e"), "");
}

TEST(CommandTableTest, DispatchRunsWithTheRemainingArguments) {
  const std::vector<std::string> args{"reg", "export", "a", "b"};
  EXPECT_EQ(tool::Dispatch(kTool, args), 2);
  EXPECT_EQ(ran, 2);
  ran = 0;
  const std::vector<std::string> unknown{"evnts"};
  EXPECT_EQ(tool::Dispatch(kTool, unknown), tool::kExitUsage);
  EXPECT_EQ(ran, 0);
  const std::vector<std::string> help{"events", "--help"};
  EXPECT_EQ(tool::Dispatch(kTool, help), 0);
  EXPECT_EQ(ran, 0);
  EXPECT_EQ(tool::UsageLine(kTool, kCommands[1]), "usage: demo reg export [KEY]");
}

}  // namespace
