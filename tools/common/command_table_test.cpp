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

constexpr tool::Option kEventsOptions[] = {{"--clear", "", "empties the journal"}};
constexpr tool::Option kImportOptions[] = {{"FILE", "", "the file"}, {"--as", "NAME", "a name"}};
constexpr tool::Option kAttribOptions[] = {{"+h|-h", "", "sets or clears"}};
constexpr tool::Command kCommands[] = {
    {"events", "[--clear]", "journal", RunOne, kEventsOptions},
    {"reg export", "[KEY]", "export", RunTwo},
    {"reg import", "FILE [--as NAME]", "import", RunTwo, kImportOptions},
    {"attrib", "+h|-h", "attributes", RunTwo, kAttribOptions},
    {"help", "[COMMAND]", "help", tool::RunHelpCommand},
};
constexpr tool::Option kToolOptions[] = {{"--device", "DIR", "the device"}};
constexpr tool::ToolInfo kTool{"demo", kToolOptions, kCommands, "1.2.3"};

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

namespace {

// What the command was run with, through Dispatch's runner.
struct Ran {
  bool run = false;
  std::vector<std::string> args;
  std::string device;
};

TEST(CommandTableTest, OptionsComeBeforeOrAfterTheCommand) {
  const struct {
    std::vector<std::string> line;
    int exitCode;
    Ran ran;
    std::string out;  // the start of standard output
  } cases[] = {
      {{"--device", "D", "reg", "import", "f"}, 0, {true, {"f"}, "D"}, ""},
      {{"reg", "import", "f", "--device=D"}, 0, {true, {"f"}, "D"}, ""},
      {{"--as", "N", "reg", "import", "f"}, 0, {true, {"--as", "N", "f"}, ""}, ""},
      {{"--as=N", "--device", "D", "events"}, 0, {true, {"--as=N"}, "D"}, ""},
      {{"reg", "import", "--", "--device", "-h"}, 0, {true, {"--", "--device", "-h"}, ""}, ""},
      {{"attrib", "-h"}, 0, {true, {"-h"}, ""}, ""},
      {{"--colour", "events"}, tool::kExitUsage, {}, ""},
      {{"events", "--device"}, tool::kExitUsage, {}, ""},
      {{"--help"}, 0, {}, "usage: demo [--device DIR] COMMAND [ARGS]\n"},
      {{"--colour", "-h"}, 0, {}, "usage: demo [--device DIR] COMMAND [ARGS]\n"},
      {{"events", "-h", "--colour"}, 0, {}, "usage: demo events [--clear]\n"},
      {{"-h", "reg", "import"}, 0, {}, "usage: demo reg import FILE [--as NAME]\n"},
      {{"help", "reg", "import"}, 0, {}, "usage: demo reg import FILE [--as NAME]\n"},
      {{"attrib", "--help"}, 0, {}, "usage: demo attrib +h|-h\n"},
      {{"events", "--version"}, 0, {}, "demo 1.2.3\n"},
      {{"--version"}, 0, {}, "demo 1.2.3\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.line));
    Ran ran;
    testing::internal::CaptureStdout();
    const int exitCode = tool::Dispatch(kTool, c.line, [&](const tool::Invocation& invocation) {
      ran.run = true;
      ran.args.assign(invocation.args.begin(), invocation.args.end());
      const auto device = invocation.globals.find("--device");
      if (device != invocation.globals.end()) ran.device = device->second;
      return 0;
    });
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(exitCode, c.exitCode);
    EXPECT_EQ(ran.run, c.ran.run);
    EXPECT_EQ(ran.args, c.ran.args);
    EXPECT_EQ(ran.device, c.ran.device);
    EXPECT_EQ(out.substr(0, c.out.size()), c.out);
    if (c.out.empty()) {
      EXPECT_EQ(out, "");
    }
  }
}

TEST(CommandTableTest, CommandHelpDescribesArgumentsAndOptions) {
  EXPECT_EQ(tool::CommandHelpText(kTool, kCommands[2]),
            "usage: demo reg import FILE [--as NAME]\n"
            "\n"
            "import\n"
            "\n"
            "arguments:\n"
            "  FILE       the file\n"
            "\n"
            "options:\n"
            "  --as NAME  a name\n");
}

}  // namespace
