// The help of both tools: every line fits in 80 columns, and every command's help
// describes each argument and option of its usage line, and nothing else.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "command_table.h"
#include "devicectl/commands.h"
#include "pkgtool/commands.h"
#include "text_wrap.h"

namespace {

void ExpectNarrow(const std::string& text) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_LE(line.size(), tool::kHelpWidth) << line;
  }
}

// The names a usage line mentions: options ("--as") and arguments ("FILE|-"), not the
// values of the options.
std::vector<std::string> UsageNames(std::string_view arguments) {
  std::vector<std::string> names;
  bool valueNext = false;  // the word after an option is its value, within one [group]
  for (std::string word : tool::WrapLines(arguments, 1)) {
    const bool group = word.starts_with("[");
    if (group) valueNext = false;
    std::erase(word, '[');
    std::erase(word, ']');
    std::istringstream tokens(word);
    for (std::string token; tokens >> token;) {
      if (valueNext && !token.starts_with("-")) {
        valueNext = false;
        continue;
      }
      names.push_back(token);
      valueNext = token.starts_with("-") && token.find('|') == std::string::npos;
    }
    if (group) valueNext = false;
  }
  return names;
}

bool Describes(const tool::Command& command, std::string_view name) {
  for (const tool::Option& option : command.options) {
    if (option.name == name) return !option.help.empty();
  }
  return false;
}

TEST(ToolHelpTest, EveryHelpTextFitsAndDescribesEveryArgumentAndOption) {
  for (const tool::ToolInfo* info : {&devicectl::kTool, &pkgtool::kTool}) {
    SCOPED_TRACE(std::string(info->name));
    ExpectNarrow(tool::HelpText(*info));
    for (const tool::Option& option : info->options) EXPECT_FALSE(option.help.empty());
    for (const tool::Command& command : info->commands) {
      SCOPED_TRACE(std::string(command.name));
      const std::string help = tool::CommandHelpText(*info, command);
      ExpectNarrow(help);
      const std::vector<std::string> names = UsageNames(command.arguments);
      for (const std::string& name : names) {
        EXPECT_TRUE(Describes(command, name)) << name << " has no description";
      }
      for (const tool::Option& option : command.options) {
        EXPECT_NE(std::find(names.begin(), names.end(), option.name), names.end())
            << option.name << " is not in the usage line";
        EXPECT_NE(help.find(option.name), std::string::npos) << option.name;
      }
    }
  }
}

}  // namespace
