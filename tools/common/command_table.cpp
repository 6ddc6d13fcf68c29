#include "command_table.h"

#include <algorithm>

#include "edit_distance.h"
#include "progress_line.h"
#include "text_wrap.h"

namespace tool {
namespace {

// Help rows put their text in this column, or below the name when the name is longer.
constexpr std::size_t kMaxHelpColumn = 36;

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

// Whether `name` is one of the '|'-separated alternatives of `names` ("+h|-h").
bool NamedBy(std::string_view names, std::string_view name) {
  while (true) {
    const std::size_t bar = names.find('|');
    if (names.substr(0, bar) == name) return true;
    if (bar == std::string_view::npos) return false;
    names.remove_prefix(bar + 1);
  }
}

const Option* FindOption(std::span<const Option> options, std::string_view name) {
  for (const Option& option : options) {
    if (NamedBy(option.name, name)) return &option;
  }
  return nullptr;
}

// The option `name` of any command: how to read it when it comes before the command.
const Option* FindCommandOption(std::span<const Command> commands, std::string_view name) {
  for (const Command& command : commands) {
    if (const Option* option = FindOption(command.options, name)) return option;
  }
  return nullptr;
}

bool IsOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

std::string OptionName(const std::string& arg) { return arg.substr(0, arg.find('=')); }

// "  HEAD  text", the text wrapped in `column`, or on the next line when HEAD is long.
std::string HelpRow(std::string_view head, std::string_view text, std::size_t column) {
  if (2 + head.size() + 2 <= column) {
    std::string row = "  " + std::string(head);
    row.resize(column, ' ');
    return row + Wrap(text, column);
  }
  return "  " + Wrap(head, 4) + std::string(column, ' ') + Wrap(text, column);
}

std::string OptionHead(const Option& option) {
  std::string head(option.name);
  if (!option.value.empty()) head += " " + std::string(option.value);
  return head;
}

// The column for rows with these heads.
template <typename Heads>
std::size_t HelpColumn(const Heads& heads) {
  std::size_t column = 0;
  for (const std::string& head : heads) {
    if (2 + head.size() + 2 <= kMaxHelpColumn) column = std::max(column, 2 + head.size() + 2);
  }
  return column == 0 ? kMaxHelpColumn : column;
}

// The options of the command line read so far; the first mistake waits until it is
// known whether help was asked for.
struct CommandLine {
  bool help = false;
  bool version = false;
  std::string mistake;
  std::map<std::string, std::string> globals;
  std::vector<std::string> commandArgs;

  void Note(std::string message) {
    if (mistake.empty()) mistake = std::move(message);
  }
  // Reads the options before the command: help, version, the tool's own, or a
  // command's, kept for it. Returns where the command starts.
  std::size_t ReadLeadingOptions(const ToolInfo& tool, std::span<const std::string> args) {
    std::size_t next = 0;
    for (; next < args.size() && IsOption(args[next]); ++next) {
      const std::string& arg = args[next];
      if (arg == "--") return next + 1;
      if (arg == "--help" || arg == "-h") {
        help = true;
        continue;
      }
      if (arg == "--version") {
        version = true;
        continue;
      }
      if (TakeGlobal(tool, args, &next)) continue;
      const Option* option = FindCommandOption(tool.commands, OptionName(arg));
      if (option == nullptr) {
        Note("unknown option '" + arg + "'");
        continue;
      }
      commandArgs.push_back(arg);
      if (!option->value.empty() && arg.find('=') == std::string::npos && next + 1 < args.size()) {
        commandArgs.push_back(args[++next]);
      }
    }
    return next;
  }

  // Reads the command's arguments: help, version and the tool's own options are taken
  // out before any `--`, unless the command takes that name itself (attrib -h).
  void ReadCommandArguments(const ToolInfo& tool, const Command& command,
                            std::span<const std::string> args) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
      const std::string& arg = args[i];
      const bool forTool =
          !optionsEnded && IsOption(arg) && FindOption(command.options, OptionName(arg)) == nullptr;
      if (forTool && (arg == "--help" || arg == "-h")) {
        help = true;
      } else if (forTool && arg == "--version") {
        version = true;
      } else if (!forTool || !TakeGlobal(tool, args, &i)) {
        optionsEnded = optionsEnded || arg == "--";
        commandArgs.push_back(arg);
      }
    }
  }

  // Takes args[*i] when it is one of the tool's own options, with its value.
  bool TakeGlobal(const ToolInfo& tool, std::span<const std::string> args, std::size_t* i) {
    const std::string& arg = args[*i];
    const std::string name = OptionName(arg);
    const Option* option = FindOption(tool.options, name);
    if (option == nullptr || !IsOption(name)) return false;
    const bool inline_value = name.size() < arg.size();
    if (option->value.empty()) {
      if (inline_value) {
        Note("unknown option '" + arg + "'");
      } else {
        globals[name] = std::string();
      }
    } else if (inline_value) {
      globals[name] = arg.substr(name.size() + 1);
    } else if (*i + 1 < args.size()) {
      globals[name] = args[++*i];
    } else {
      Note("option '" + name + "' needs a value");
    }
    return true;
  }
};

std::string ToolUsage(const ToolInfo& tool) {
  std::string usage = "usage: " + std::string(tool.name);
  for (const Option& option : tool.options) usage += " [" + OptionHead(option) + "]";
  return usage + " COMMAND [ARGS]";
}

// The error for `rest`, which names no command: a group without its second word, or
// an unknown name with the nearest command as a suggestion.
int UnknownCommand(const ToolInfo& tool, std::span<const std::string> rest) {
  if (rest.empty()) {
    return Fail(tool.name, kExitUsage,
                "no command given; '" + std::string(tool.name) + " help' lists the commands");
  }
  const std::string group = GroupMembers(tool.commands, rest[0]);
  if (!group.empty() && rest.size() == 1) {
    return Fail(tool.name, kExitUsage, "'" + rest[0] + "' needs one of: " + group);
  }
  const std::string typed = group.empty() ? rest[0] : Join(rest, 2);
  std::string message = "unknown command '" + typed + "'";
  if (const std::string_view suggestion = SuggestCommand(tool.commands, typed);
      !suggestion.empty()) {
    message += ", did you mean '" + std::string(suggestion) + "'?";
  }
  return Fail(tool.name, kExitUsage, message);
}

int PrintVersion(const ToolInfo& tool) {
  std::printf("%.*s %.*s\n", static_cast<int>(tool.name.size()), tool.name.data(),
              static_cast<int>(tool.version.size()), tool.version.data());
  return kExitSuccess;
}

}  // namespace

int Fail(std::string_view tool, int exitCode, std::string_view message) {
  EraseProgressLine();
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

std::string HelpText(const ToolInfo& tool) {
  std::string text = Wrap(ToolUsage(tool), 4) + "\ncommands:\n";
  std::vector<std::string> heads;
  for (const Command& command : tool.commands) {
    heads.push_back(std::string(command.name) + " " + std::string(command.arguments));
  }
  const std::size_t column = HelpColumn(heads);
  for (std::size_t i = 0; i < heads.size(); ++i) {
    text += HelpRow(heads[i], tool.commands[i].summary, column);
  }
  const Option common[] = {
      {"-h, --help", "", "shows this help; after a command, that command's help"},
      {"--version", "", "prints the version"},
  };
  heads.clear();
  for (const Option& option : tool.options) heads.push_back(OptionHead(option));
  for (const Option& option : common) heads.push_back(OptionHead(option));
  const std::size_t optionColumn = HelpColumn(heads);
  text += "\noptions (before or after the command):\n";
  for (const Option& option : tool.options) {
    text += HelpRow(OptionHead(option), option.help, optionColumn);
  }
  for (const Option& option : common) {
    text += HelpRow(OptionHead(option), option.help, optionColumn);
  }
  const std::string name(tool.name);
  text += "\n" + Wrap("'" + name + " help COMMAND' or '" + name +
                          " COMMAND --help' shows what a command does and takes.",
                      0);
  return text + "\n" + std::string(kExitCodesHelp);
}

void PrintHelp(const ToolInfo& tool, std::FILE* out) {
  const std::string text = HelpText(tool);
  std::fwrite(text.data(), 1, text.size(), out);
}

std::string CommandHelpText(const ToolInfo& tool, const Command& command) {
  const std::size_t indent =
      std::string("usage: ").size() + tool.name.size() + 1 + command.name.size() + 1;
  std::string text = Wrap(UsageLine(tool, command), std::min<std::size_t>(indent, 40));
  text += "\n" + Wrap(command.summary, 0);
  std::vector<std::string> heads;
  for (const Option& option : command.options) heads.push_back(OptionHead(option));
  const std::size_t column = HelpColumn(heads);
  for (const bool arguments : {true, false}) {
    bool first = true;
    for (const Option& option : command.options) {
      if (IsOption(std::string(option.name)) == arguments) continue;
      if (first) text += arguments ? "\narguments:\n" : "\noptions:\n";
      first = false;
      text += HelpRow(OptionHead(option), option.help, column);
    }
  }
  return text;
}

int RunHelpCommand(const Invocation& invocation) {
  if (invocation.args.empty()) {
    PrintHelp(invocation.tool, stdout);
    return 0;
  }
  std::vector<std::string> asked(invocation.args.begin(), invocation.args.end());
  std::size_t consumed = 0;
  // An unknown command is reported as such, not answered with the listing.
  if (FindCommand(invocation.tool.commands, asked, &consumed) != nullptr) {
    asked.push_back("--help");
  }
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

int Dispatch(const ToolInfo& tool, std::span<const std::string> args, const Runner& runner) {
  CommandLine line;
  const std::span<const std::string> rest = args.subspan(line.ReadLeadingOptions(tool, args));
  std::size_t consumed = 0;
  const Command* command = FindCommand(tool.commands, rest, &consumed);
  if (command == nullptr) {
    if (line.help) {
      PrintHelp(tool, stdout);
      return kExitSuccess;
    }
    if (line.version) return PrintVersion(tool);
    if (!line.mistake.empty()) return Fail(tool.name, kExitUsage, line.mistake);
    return UnknownCommand(tool, rest);
  }
  line.ReadCommandArguments(tool, *command, rest.subspan(consumed));
  if (line.help) {
    const std::string text = CommandHelpText(tool, *command);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kExitSuccess;
  }
  if (line.version) return PrintVersion(tool);
  if (!line.mistake.empty()) return Fail(tool.name, kExitUsage, line.mistake);
  const Invocation invocation{tool, *command, line.commandArgs, line.globals};
  // Help needs nothing the runner sets up (a device, say).
  if (!runner || command->run == RunHelpCommand) return command->run(invocation);
  return runner(invocation);
}

}  // namespace tool
