#include "command_table.h"

#include <algorithm>

#include "edit_distance.h"

namespace tool {
namespace {

std::size_t WordCount(std::string_view name) {
  return static_cast<std::size_t>(std::count(name.begin(), name.end(), ' ')) + 1;
}

std::string Join(std::span<const std::string> words, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count && i < words.size(); ++i) {
    if (i > 0) text += ' ';
    text += words[i];
  }
  return text;
}

// The commands whose first word is `group` ("reg" -> "reg export, reg import").
std::string GroupMembers(std::span<const Command> commands, std::string_view group) {
  std::string members;
  for (const Command& command : commands) {
    if (WordCount(command.name) > 1 && command.name.substr(0, command.name.find(' ')) == group) {
      if (!members.empty()) members += ", ";
      members += command.name;
    }
  }
  return members;
}

bool AsksForHelp(std::span<const std::string> args) {
  for (const std::string& arg : args) {
    if (arg == "--") return false;
    if (arg == "--help") return true;
  }
  return false;
}

}  // namespace

int Fail(std::string_view tool, int exitCode, std::string_view message) {
  std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(tool.size()), tool.data(),
               static_cast<int>(message.size()), message.data());
  return exitCode;
}

std::string UsageLine(const ToolInfo& tool, const Command& command) {
  std::string line = "usage: " + std::string(tool.name) + " " + std::string(command.name);
  if (!command.arguments.empty()) line += " " + std::string(command.arguments);
  return line;
}

int UsageError(const Invocation& invocation, std::string_view message) {
  Fail(invocation.tool.name, kExitUsage,
       std::string(invocation.command.name) + ": " + std::string(message));
  std::fprintf(stderr, "%s\n", UsageLine(invocation.tool, invocation.command).c_str());
  return kExitUsage;
}

void PrintHelp(const ToolInfo& tool, std::FILE* out) {
  std::string usage = "usage: " + std::string(tool.name);
  if (!tool.globalOptions.empty()) usage += " " + std::string(tool.globalOptions);
  std::fprintf(out, "%s COMMAND [ARGS]\n\ncommands:\n", usage.c_str());
  std::size_t width = 0;
  for (const Command& command : tool.commands) {
    width = std::max(width, command.name.size() + 1 + command.arguments.size());
  }
  for (const Command& command : tool.commands) {
    const std::string head = std::string(command.name) + " " + std::string(command.arguments);
    std::fprintf(out, "  %-*s  %.*s\n", static_cast<int>(width), head.c_str(),
                 static_cast<int>(command.summary.size()), command.summary.data());
  }
  std::fprintf(out, "\n'%.*s COMMAND --help' shows one command's usage.\n\n%.*s",
               static_cast<int>(tool.name.size()), tool.name.data(),
               static_cast<int>(kExitCodesHelp.size()), kExitCodesHelp.data());
}

int RunHelpCommand(const Invocation& invocation) {
  if (invocation.args.empty()) {
    PrintHelp(invocation.tool, stdout);
    return 0;
  }
  std::vector<std::string> asked(invocation.args.begin(), invocation.args.end());
  asked.push_back("--help");
  return Dispatch(invocation.tool, asked);
}

const Command* FindCommand(std::span<const Command> commands, std::span<const std::string> args,
                           std::size_t* consumed) {
  for (const Command& command : commands) {
    const std::size_t words = WordCount(command.name);
    if (args.size() >= words && Join(args, words) == command.name) {
      *consumed = words;
      return &command;
    }
  }
  return nullptr;
}

std::string_view SuggestCommand(std::span<const Command> commands, std::string_view typed) {
  constexpr int kMaxSuggestedDistance = 3;
  std::string_view best;
  int bestDistance = kMaxSuggestedDistance + 1;
  for (const Command& command : commands) {
    const int distance = EditDistance(typed, command.name);
    if (distance < bestDistance && distance < static_cast<int>(typed.size())) {
      best = command.name;
      bestDistance = distance;
    }
  }
  return best;
}

int Dispatch(const ToolInfo& tool, std::span<const std::string> args) {
  if (args.empty()) {
    return Fail(tool.name, kExitUsage,
                "no command given; '" + std::string(tool.name) + " help' lists the commands");
  }
  std::size_t consumed = 0;
  if (const Command* command = FindCommand(tool.commands, args, &consumed)) {
    const Invocation invocation{tool, *command, args.subspan(consumed)};
    if (AsksForHelp(invocation.args)) {
      std::printf("%s\n  %.*s\n", UsageLine(tool, *command).c_str(),
                  static_cast<int>(command->summary.size()), command->summary.data());
      return 0;
    }
    return command->run(invocation);
  }
  const std::string group = GroupMembers(tool.commands, args[0]);
  if (!group.empty() && args.size() == 1) {
    return Fail(tool.name, kExitUsage, "'" + args[0] + "' needs one of: " + group);
  }
  const std::string typed = group.empty() ? args[0] : Join(args, 2);
  std::string message = "unknown command '" + typed + "'";
  if (const std::string_view suggestion = SuggestCommand(tool.commands, typed);
      !suggestion.empty()) {
    message += ", did you mean '" + std::string(suggestion) + "'?";
  }
  return Fail(tool.name, kExitUsage, message);
}

}  // namespace tool
