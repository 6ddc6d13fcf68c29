// The command-line splitting and option lookup on arbitrary UTF-16 text: every switch of
// the updater and every argument is looked up, values are taken and expanded as the
// driver does, and the arguments, quoted again the way the platform's entry point
// quotes them, must split back into themselves (but for an empty last one).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "fuzz_device.h"
#include "system/folder_macros.h"

namespace {

constexpr const WCHAR* kSwitches[] = {u"-unpackProduct", u"-createShortcut", u"-targetFilename",
                                      u"-shortcutFilename"};

std::u16string TextOf(const String* argument) {
  fuzz::Check(argument != nullptr && argument->data != nullptr, "an argument without a buffer");
  return std::u16string(argument->data, static_cast<std::size_t>(argument->length));
}

// Separated by one space; an argument that is empty or holds a space or a double quote
// goes inside double quotes, each double quote in it doubled.
std::u16string Join(const std::vector<std::u16string>& arguments) {
  std::u16string text;
  for (const std::u16string& argument : arguments) {
    if (!text.empty()) text += u' ';
    if (!argument.empty() && argument.find_first_of(u" \"") == std::u16string::npos) {
      text += argument;
      continue;
    }
    text += u'"';
    for (const char16_t unit : argument) {
      text += unit;
      if (unit == u'"') text += u'"';
    }
    text += u'"';
  }
  return text;
}

std::vector<std::u16string> Arguments(CommandLine& commandLine) {
  fuzz::Check(commandLine.count == commandLine.arguments.Count(), "count is not the item count");
  std::vector<std::u16string> arguments;
  for (std::int32_t i = 0; i < commandLine.count; ++i) {
    arguments.push_back(TextOf(commandLine.arguments.ItemAt(i)));
  }
  return arguments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  }
  // The platform hands over a zero-terminated text: it ends at the first zero unit.
  text.resize(std::char_traits<char16_t>::length(text.c_str()));

  CommandLine commandLine(text.c_str());
  const std::vector<std::u16string> arguments = Arguments(commandLine);
  std::size_t units = 0;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    units += arguments[i].size();
    const std::int32_t index = commandLine.IndexOfOption(arguments[i].c_str());
    fuzz::Check(index >= 0 && index <= static_cast<std::int32_t>(i) &&
                    arguments[static_cast<std::size_t>(index)] == arguments[i],
                "an argument is not found at or before its place");
  }
  fuzz::Check(units <= text.size(), "the arguments hold more units than the text");

  for (const WCHAR* option : kSwitches) {
    const std::int32_t index = commandLine.IndexOfOption(option);
    const String value = commandLine.GetOptionValue(option);
    const bool hasValue = index >= 0 && index + 1 < commandLine.count;
    fuzz::Check(TextOf(&value) ==
                    (hasValue ? arguments[static_cast<std::size_t>(index) + 1] : std::u16string()),
                "GetOptionValue is not the argument after the switch");
    const String expanded = ExpandFolderMacros(value);
    fuzz::Check(expanded.data != nullptr, "ExpandFolderMacros gave the null string");
  }

  // An empty argument at the very end is not kept: the text ends inside it.
  std::vector<std::u16string> expected = arguments;
  if (!expected.empty() && expected.back().empty()) expected.pop_back();
  CommandLine again(Join(arguments).c_str());
  fuzz::Check(Arguments(again) == expected, "quoted arguments split into others");
  return 0;
}
