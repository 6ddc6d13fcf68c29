#include "driver/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line_text.h"

namespace {

std::vector<std::u16string> Arguments(const WCHAR* text) {
  CommandLine commandLine(text);
  std::vector<std::u16string> out;
  for (std::int32_t i = 0; i < commandLine.count; ++i) {
    const String* argument = commandLine.arguments.ItemAt(i);
    out.emplace_back(argument->data, argument->length);
  }
  return out;
}

using Args = std::vector<std::u16string>;

TEST(CommandLineTest, SpacesSeparateAndDoubledSpacesGiveEmptyArguments) {
  EXPECT_EQ(Arguments(u"-unpackProduct \\Temp"), (Args{u"-unpackProduct", u"\\Temp"}));
  EXPECT_EQ(Arguments(u"-unpackProduct  \\Temp"), (Args{u"-unpackProduct", u"", u"\\Temp"}));
  EXPECT_EQ(Arguments(u" x"), (Args{u"", u"x"}));
  EXPECT_EQ(Arguments(u"x "), (Args{u"x"}));  // an empty last argument is dropped
  EXPECT_EQ(Arguments(u""), Args{});
  EXPECT_EQ(Arguments(nullptr), Args{});
}

TEST(CommandLineTest, TabsDoNotSeparate) { EXPECT_EQ(Arguments(u"a\tb c"), (Args{u"a\tb", u"c"})); }

TEST(CommandLineTest, Quotes) {
  EXPECT_EQ(Arguments(u"-unpackProduct \"\\My Documents\\In\""),
            (Args{u"-unpackProduct", u"\\My Documents\\In"}));
  EXPECT_EQ(Arguments(u"ab\"c d\"e"), (Args{u"abc de"}));  // a closing quote does not end it
  EXPECT_EQ(Arguments(u"\"say \"\"hi\"\"\""), (Args{u"say \"hi\""}));
  EXPECT_EQ(Arguments(u"a\"\"b"), (Args{u"ab"}));  // outside quotes "" adds nothing
  EXPECT_EQ(Arguments(u"\"\""), Args{});
  EXPECT_EQ(Arguments(u"\"\" x"), (Args{u"", u"x"}));
  EXPECT_EQ(Arguments(u"\"unterminated  run"), (Args{u"unterminated  run"}));
  EXPECT_EQ(Arguments(u"\"a\"\""), (Args{u"a\""}));  // "" then end: one quote, still open
}

TEST(CommandLineTest, OptionLookup) {
  CommandLine commandLine(u"-createShortcut -shortcutFilename s -targetFilename");
  EXPECT_EQ(commandLine.IndexOfOption(u"-createShortcut"), 0);
  EXPECT_EQ(commandLine.IndexOfOption(u"-CreateShortcut"), -1);
  EXPECT_EQ(commandLine.IndexOfOption(u"-unpackProduct"), -1);
  const String value = commandLine.GetOptionValue(u"-shortcutFilename");
  EXPECT_TRUE(value.Equals(u"s"));
  const String last = commandLine.GetOptionValue(u"-targetFilename");  // the last argument
  EXPECT_TRUE(last.Equals(u""));
  const String missing = commandLine.GetOptionValue(u"-unpackProduct");
  EXPECT_TRUE(missing.Equals(u""));
}

TEST(CommandLineTest, OptionValueIsTheNextArgumentWhateverItHolds) {
  CommandLine switchAsValue(u"-unpackProduct -createShortcut");
  EXPECT_TRUE(switchAsValue.GetOptionValue(u"-unpackProduct").Equals(u"-createShortcut"));
  CommandLine emptyValue(u"-unpackProduct  \\Temp");
  EXPECT_TRUE(emptyValue.GetOptionValue(u"-unpackProduct").Equals(u""));
  CommandLine repeated(u"-a 1 -a 2");
  EXPECT_TRUE(repeated.GetOptionValue(u"-a").Equals(u"1"));
}

// The emulated entry point joins host arguments so that splitting gives them back.
TEST(CommandLineTest, JoinedArgumentsRoundTrip) {
  const std::vector<std::vector<std::string>> cases = {
      {"-unpackProduct", "\\Temp"},
      {"-unpackProduct", "\\My Documents\\In"},
      {"a\"b", "\"", "\"\"", "x y\"", "end"},
      {"", "middle", ""},  // only a trailing empty argument cannot come back
      {"tab\there", "caf\xc3\xa9"},
      {"-targetFilename", "\"\\Program Files\\A.exe\"", "-shortcutFilename", "{Programs}\\A.lnk"},
  };
  for (const auto& arguments : cases) {
    const std::u16string text = emu::JoinCommandLine(arguments);
    Args expected;
    for (const std::string& argument : arguments) {
      std::u16string wide;
      for (std::size_t i = 0; i < argument.size(); ++i) {
        const auto byte = static_cast<unsigned char>(argument[i]);
        if (byte == 0xC3) {
          wide.push_back(static_cast<char16_t>(0xC0 | (argument[++i] & 0x3F)));
        } else {
          wide.push_back(byte);
        }
      }
      expected.push_back(wide);
    }
    if (!expected.empty() && expected.back().empty()) expected.pop_back();
    EXPECT_EQ(Arguments(text.c_str()), expected) << std::string(text.begin(), text.end());
  }
}

}  // namespace
